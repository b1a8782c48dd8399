// Chat view figures: 10 000 received messages appended to one open chat
// dialog (time per bubble, the last append, resident memory), and the chat
// record panel opened and paged at a million stored rows.

#include <sqlite3.h>

#include <time.h>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivBenchFigures.h"
#include "KivTestSession.h"
#include "chat/CChatHistoryList.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CKivImChatRecordDlg.h"

namespace {

const quint32 Own = 1001;
const quint32 Friend = 2002;
const int Appends = qEnvironmentVariableIntValue("KIV_APPENDS") > 0
                        ? qEnvironmentVariableIntValue("KIV_APPENDS")
                        : 10000;
const int TotalRows = 1000000;
const int ConversationRows = 600000;

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(p * (values.size() - 1))];
}

QString Message(int i) {
    switch (i % 4) {
        case 0:
            return QStringLiteral("第%1条消息：今天天气不错，一起出去走走吧").arg(i);
        case 1:
            return QStringLiteral("message %1 [大笑] with a face").arg(i);
        case 2:
            return QStringLiteral("两行消息 %1\n第二行 www.example.com/page%1").arg(i);
        default:
            return QStringLiteral("[偷笑][亲亲] %1").arg(i);
    }
}

void AppendMessages() {
    const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
    CKivIMChatDlg dialog(nullptr, *dialogSession);
    tag_chatdlg_Need need;
    need.ownUid = Own;
    need.friendUid = Friend;
    need.headIndex = 2;
    need.nickName = QStringLiteral("李四");
    dialog.initChatDlg(need);
    dialog.show();
    QApplication::processEvents();
    const double before = KivResidentMegabytes();

    std::vector<double> times;
    std::vector<double> cpu;
    times.reserve(Appends);
    cpu.reserve(Appends);
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < Appends; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = KivThreadCpuMs();
        dialog.ShowFriendMessage(Message(i));
        // Each message arrives by itself: the window paints in between.
        QApplication::processEvents();
        cpu.push_back(KivThreadCpuMs() - cpuStart);
        times.push_back(KivElapsedMs(timer));
    }
    const double all = KivElapsedMs(total);
    const std::vector<double> first(times.begin(), times.begin() + 300);
    const std::vector<double> last(times.end() - 1000, times.end());
    std::printf("appending %d received messages to one open chat dialog\n", Appends);
    std::printf("  per bubble: median %.3f ms, p95 %.3f ms, max %.3f ms (goal: median < 2 ms)\n",
                Percentile(times, 0.5), Percentile(times, 0.95), Percentile(times, 1.0));
    std::printf("  per bubble, CPU time of the thread: median %.3f ms, p95 %.3f ms\n",
                Percentile(cpu, 0.5), Percentile(cpu, 0.95));
    std::printf("  first 300: median %.3f ms; last 1000: median %.3f ms (ratio %.2f)\n",
                Percentile(first, 0.5), Percentile(last, 0.5),
                Percentile(last, 0.5) / std::max(1e-9, Percentile(first, 0.5)));
    std::printf("  last append %.3f ms; all %.0f ms; bubbles kept %d\n", times.back(), all,
                dialog.History()->count());
    std::printf("  resident memory %.1f MB before, %.1f MB after (goal: < 200 MB)\n", before,
                KivResidentMegabytes());
}

// A million rows: most of them one long conversation, the rest with others.
bool FillDatabase(const QString& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    KivBenchExec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into chat_message_table(type,senderuid,recveruid,message,msgtime,"
                       "isgot) values(0,?,?,?,?,1)",
                       -1, &insert, nullptr);
    // Counted in UTC: wall-clock steps of 150 s, and no time zone lookup per row.
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0, 0), Qt::UTC);
    for (int i = 0; i < TotalRows; ++i) {
        const bool conversation = i % 5 < 3;
        const bool own = i % 2 == 0;
        const quint32 other = conversation ? Friend : 3000 + quint32(i % 97);
        const QByteArray text = Message(i).toUtf8();
        const QByteArray time =
            start.addSecs(qint64(i) * 150).toString("yyyy-MM-dd hh:mm:ss").toUtf8();
        sqlite3_bind_int64(insert, 1, own ? Own : other);
        sqlite3_bind_int64(insert, 2, own ? other : Own);
        sqlite3_bind_text(insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, time.constData(), time.size(), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = KivBenchExec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// The plain "limit 60 offset N" query for the same page, for comparison.
double LiteralPageMs(int offset) {
    QSqlQuery query(CKivFriendDBModel::GetInstance()->ConnectDB()->database());
    QElapsedTimer timer;
    timer.start();
    query.exec(QStringLiteral("select senderuid,message,msgtime from chat_message_table where "
                              "senderuid = %1 and recveruid= %2 or senderuid = %2 and recveruid= "
                              "%1 order by msgtime desc limit 60 offset %3")
                   .arg(Own)
                   .arg(Friend)
                   .arg(offset));
    int rows = 0;
    while (query.next())
        ++rows;
    return rows > 0 ? KivElapsedMs(timer) : -1;
}

void PageRecord() {
    CKivFriendDBModel* model = CKivFriendDBModel::GetInstance();
    if (!FillDatabase(model->GetDatabaseFile())) {
        std::printf("could not fill the database\n");
        return;
    }
    QWidget parent;
    auto* record = new CKivImChatRecordDlg(&parent);
    record->SetConversation(Own, QStringLiteral("我"), Friend, QStringLiteral("李四"));
    parent.resize(400, 420);
    parent.show();

    QElapsedTimer timer;
    timer.start();
    record->show();
    QApplication::processEvents();
    const double open = KivElapsedMs(timer);
    std::vector<double> pages;
    std::vector<double> pagesCpu;
    // The same page shown once more step by step, to see where its time goes.
    std::vector<double> query;
    std::vector<double> built;
    std::vector<double> placed;
    std::vector<double> drawn;
    auto page = [&](const char* button) {
        QElapsedTimer one;
        one.start();
        const double cpuStart = KivThreadCpuMs();
        record->findChild<QPushButton*>(QLatin1String(button))->click();
        QApplication::processEvents();
        pagesCpu.push_back(KivThreadCpuMs() - cpuStart);
        pages.push_back(KivElapsedMs(one));

        one.restart();
        const QVector<CKivChatRecordRow> rows = record->QueryPage();
        query.push_back(KivElapsedMs(one));
        one.restart();
        record->FillPage(rows);
        built.push_back(KivElapsedMs(one));
        one.restart();
        record->PlacePage();
        placed.push_back(KivElapsedMs(one));
        one.restart();
        QApplication::processEvents();
        drawn.push_back(KivElapsedMs(one));
    };
    for (int i = 0; i < 20; ++i)
        page("PrePage");
    page("LeftTopPage");
    for (int i = 0; i < 20; ++i)
        page("NextPage");
    page("RightTopPage");
    const double median = Percentile(pages, 0.5);
    std::printf("chat record panel, %d stored rows, %d in the conversation\n", TotalRows,
                ConversationRows);
    std::printf("  first open (builds the page index) %.1f ms\n", open);
    std::printf(
        "  page (query + 60 rows drawn): median %.2f ms (%.2f of the 10 ms goal), max %.2f ms "
        "over %zu pages\n",
        median, median / 10.0, Percentile(pages, 1.0), pages.size());
    std::printf("  page, CPU time of the thread: median %.2f ms\n", Percentile(pagesCpu, 0.5));
    std::printf(
        "  page split (medians): query %.2f ms, rows built %.2f ms, rows in sight placed "
        "%.2f ms, drawn %.2f ms\n",
        Percentile(query, 0.5), Percentile(built, 0.5), Percentile(placed, 0.5),
        Percentile(drawn, 0.5));
    const int oldest = record->Total() - CKivImChatRecordDlg::kPageSize;
    std::vector<double> reads;
    for (int offset = 0; offset < 20 * CKivImChatRecordDlg::kPageSize;
         offset += CKivImChatRecordDlg::kPageSize) {
        QElapsedTimer one;
        one.start();
        model->GetChatRecordCount(Own, Friend);
        model->GetChatRecordPage(Own, Friend, offset, CKivImChatRecordDlg::kPageSize);
        reads.push_back(KivElapsedMs(one));
    }
    std::printf("  of which the database (count + page): median %.2f ms\n", Percentile(reads, 0.5));
    std::printf("  oldest page: literal OFFSET query alone %.1f ms\n", LiteralPageMs(oldest));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QDir data(QStringLiteral(KIV_DATA_DIR));
    for (const char* entry : {"Resources", "image"})
        QFile::link(data.absoluteFilePath(QLatin1String(entry)),
                    dir.filePath(QLatin1String(entry)));
    QDir::setCurrent(dir.path());
    CKivFriendDBModel* model = CKivFriendDBModel::GetInstance();
    model->CreateDB(QStringLiteral("bench"));
    model->ConnectDB();

    const QString only = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (only.isEmpty() || only == QLatin1String("append"))
        AppendMessages();
    if (only.isEmpty() || only == QLatin1String("record"))
        PageRecord();

    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendDBModel::ReleaseInstance();
    return 0;
}
