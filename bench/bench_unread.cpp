// Unread-path figures: messages to a friend whose chat window is closed (live
// and from the offline pull) and the window opened afterwards; a login with a
// full friend list against a short one; the chat record panel's first open
// after many rows went into another conversation.

#include <sqlite3.h>

#include <time.h>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

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
#include "shell/KivIMMainDlg.h"

namespace {

const quint32 Own = 1001;
const quint32 Friend = 2002;

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

tag_friend_result FriendList(int count) {
    tag_friend_result list{};
    list.count = Uint32(count);
    auto* records = reinterpret_cast<FriendRecord*>(list.data);
    for (int i = 0; i < count; ++i) {
        records[i].uid = Friend + Uint32(i);
        records[i].head = Uint32(i % 10 + 1);
        KivWriteText(records[i].name, QStringLiteral("好友%1").arg(i).toUtf8());
    }
    return list;
}

void OpenDatabase(const QString& account) {
    CKivFriendDBModel* model = CKivFriendDBModel::GetInstance();
    model->CreateDB(account);
    model->ConnectDB();
    // The login result names the user the offline items are for.
    LoginResult login;
    KivInitRecord(login, Login);
    login.uid = Own;
    KivWriteText(login.account, account.toUtf8());
    KivWriteText(login.nickName, QByteArray("张三"));
    KivWriteText(login.headAdd, QByteArray("1"));
    bool isNew = false;
    model->UpdateUserInfor(reinterpret_cast<const char*>(&login), isNew);
}

// The main window as the login dialog leaves it, before the friend list.
std::unique_ptr<KivIMMainDlg> MainWindow(CKivSession& session) {
    auto window = std::make_unique<KivIMMainDlg>(nullptr, session);
    KivIMMainDlg::mainDlg = window.get();
    window->m_uid = Own;
    window->m_account = CKivFriendDBModel::GetInstance()->GetAccount();
    window->m_nickName = QStringLiteral("张三");
    window->InitMaindlg();
    window->show();
    QApplication::processEvents();
    return window;
}

std::unique_ptr<KivIMMainDlg> LoggedIn(int friends, CKivSession& session) {
    std::unique_ptr<KivIMMainDlg> window = MainWindow(session);
    window->FriendListResult(FriendList(friends));
    QApplication::processEvents();
    return window;
}

QByteArray Text(int i) {
    return QStringLiteral("第%1条消息：今天天气不错，一起出去走走吧").arg(i).toUtf8();
}

struct Flood {
    std::vector<double> perMessage;
    double openMs = 0;
    // Until the older bubbles are built and the rows marked read.
    double settledMs = 0;
    int bubbles = 0;
    int pending = 0;
    int unreadEntries = 0;
};

void Report(const char* what, int count, const Flood& flood) {
    const std::vector<double>& cpu = flood.perMessage;
    const double first = Median(std::vector<double>(cpu.begin(), cpu.begin() + 1000));
    const double last = Median(std::vector<double>(cpu.end() - 1000, cpu.end()));
    double total = 0;
    for (double one : cpu)
        total += one;
    std::printf("%d %s to a friend whose chat window is closed\n", count, what);
    std::printf("  UI-thread CPU per message: median %.3f ms (goal < 0.3), mean %.3f ms\n",
                Median(cpu), total / count);
    std::printf("  first 1000 median %.3f ms, last 1000 median %.3f ms: ratio %.2f (goal <= 1.5)\n",
                first, last, last / std::max(1e-6, first));
    std::printf("  window shown %.1f ms after (goal < 100 ms), all built %.1f ms after\n",
                flood.openMs, flood.settledMs);
    std::printf("  %d texts waited, %d bubbles, %d unread entries\n", flood.pending, flood.bubbles,
                flood.unreadEntries);
}

// Each message comes in a turn of its own, as from a network that delivers
// one record per read; the refresh runs whenever it is due.
template <typename Store, typename Announce>
Flood RunFlood(int count, KivIMMainDlg& window, Store store, Announce announce) {
    Flood flood;
    flood.perMessage.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const qint64 row = store(i);
        const double start = KivThreadCpuMs();
        announce(i, row);
        QApplication::processEvents();
        flood.perMessage.push_back(KivThreadCpuMs() - start);
    }
    // The last refresh is part of the cost as well.
    QThread::msleep(KivIMMainDlg::kRefreshGapMs + 10);
    const double start = KivThreadCpuMs();
    QApplication::processEvents();
    flood.perMessage.back() += KivThreadCpuMs() - start;
    CKivIMChatDlg* dialog = window.ChatDialog(Friend);
    flood.pending = dialog->PendingMessages().size();
    flood.unreadEntries = window.UnreadList().size();
    QElapsedTimer timer;
    timer.start();
    window.DClickedForRow(0, false);
    // Drawn as the first frame would draw it.
    dialog->repaint();
    flood.openMs = KivElapsedMs(timer);
    while (dialog->History()->backlog() > 0)
        QApplication::processEvents();
    QApplication::processEvents();
    flood.settledMs = KivElapsedMs(timer);
    flood.bubbles = dialog->History()->count();
    return flood;
}

void LiveFlood(int count) {
    OpenDatabase(QStringLiteral("live"));
    const std::unique_ptr<CKivSession> session = KivNewTestSession();
    std::unique_ptr<KivIMMainDlg> window = LoggedIn(4, *session);
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    const Flood flood = RunFlood(
        count, *window,
        [db](int i) {
            ChatMessageRecord record;
            KivInitRecord(record, ChatMessage);
            record.senderUid = Friend;
            record.receiverUid = Own;
            KivWriteText(record.text, Text(i));
            qint64 row = 0;
            db->InsertMsg(reinterpret_cast<const char*>(&record), &row);
            return row;
        },
        [&window](int i, qint64 row) { window->ChatMessageStored(Friend, row, Text(i)); });
    Report("received messages", count, flood);
}

void OfflineFlood(int count) {
    OpenDatabase(QStringLiteral("offline"));
    const std::unique_ptr<CKivSession> session = KivNewTestSession();
    std::unique_ptr<KivIMMainDlg> window = LoggedIn(4, *session);
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    const Flood flood = RunFlood(
        count, *window,
        [db](int i) {
            tag_leave_message item{};
            item.uid = Friend;
            const QByteArray time = QDateTime::currentDateTime()
                                        .addSecs(i - 100000)
                                        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                        .toUtf8();
            std::memcpy(item.time, time.constData(), size_t(time.size()));
            const QByteArray text = Text(i);
            std::memcpy(item.text, text.constData(), size_t(text.size()));
            db->SaveLeaveMessage(item);
            return qint64(0);
        },
        [&window](int, qint64) { window->getLeaveMessage(); });
    Report("offline items", count, flood);
}

// One login in a process of its own, so the resident memory is its own.
void LoginChild(int friends) {
    OpenDatabase(QStringLiteral("login%1").arg(friends));
    const std::unique_ptr<CKivSession> session = KivNewTestSession();
    std::unique_ptr<KivIMMainDlg> window = MainWindow(*session);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = KivThreadCpuMs();
    window->FriendListResult(FriendList(friends));
    QApplication::processEvents();
    const double drawn = KivElapsedMs(timer);
    const double drawnCpu = KivThreadCpuMs() - cpuStart;
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    const double rss = KivResidentMegabytes();
    for (int i = 0; i < 10; ++i) {
        CKivIMChatDlg* dialog = window->ChatDialog(Friend + Uint32(i % friends));
        dialog->move(40 * i, 30 * i);
        dialog->show();
    }
    QApplication::processEvents();
    std::printf("drawn=%.2f cpu=%.2f rss=%.1f rss10=%.1f\n", drawn, drawnCpu, rss,
                KivResidentMegabytes());
}

QMap<QString, double> RunLoginChild(const QString& program, int friends) {
    QProcess child;
    child.start(program, {QStringLiteral("login-child"), QString::number(friends)});
    child.waitForFinished(60000);
    QMap<QString, double> figures;
    const QRegularExpression pair(QStringLiteral("(\\w+)=([0-9.]+)"));
    auto it = pair.globalMatch(QString::fromUtf8(child.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto match = it.next();
        figures.insert(match.captured(1), match.captured(2).toDouble());
    }
    return figures;
}

void LoginFigures(const QString& program) {
    const QMap<QString, double> full = RunLoginChild(program, 60);
    const QMap<QString, double> few = RunLoginChild(program, 4);
    std::printf("login with 60 friends against 4 friends\n");
    std::printf(
        "  login result to friend list drawn: %.1f ms against %.1f ms (goal: within 100 ms)\n",
        full.value("drawn"), few.value("drawn"));
    std::printf("  of it UI-thread CPU: %.1f ms against %.1f ms\n", full.value("cpu"),
                few.value("cpu"));
    std::printf(
        "  resident memory 5 s later: %.1f MB against %.1f MB, %.1f MB apart (goal <= 15)\n",
        full.value("rss"), few.value("rss"), full.value("rss") - few.value("rss"));
    std::printf("  with 10 chat windows open: %.1f MB (goal <= 100 MB)\n", full.value("rss10"));
}

// Rows another writer adds while the client is not running.
bool AddRows(const QString& file, quint32 other, int count, int firstSecond) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    KivBenchExec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into chat_message_table(type,senderuid,recveruid,message,msgtime,"
                       "isgot) values(0,?,?,?,?,1)",
                       -1, &insert, nullptr);
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        const QByteArray text = Text(i);
        const QByteArray time = start.addSecs(qint64(firstSecond) + i * 30)
                                    .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                    .toUtf8();
        sqlite3_bind_int64(insert, 1, i % 2 ? Own : other);
        sqlite3_bind_int64(insert, 2, i % 2 ? other : Own);
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

void RecordAfterOtherRows(int otherRows) {
    OpenDatabase(QStringLiteral("record"));
    CKivFriendDBModel* model = CKivFriendDBModel::GetInstance();
    const QString file = model->GetDatabaseFile();
    AddRows(file, Friend, 2000, 0);
    // The panel was opened once: the page index is saved with the file.
    model->GetChatRecordCount(Own, Friend);
    model->GetChatRecordPage(Own, Friend, 0, CKivImChatRecordDlg::kPageSize);
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendDBModel::ReleaseInstance();
    AddRows(file, Friend + 1, otherRows, 100000);
    AddRows(file, Friend, 20, 200000);

    // A restart: nothing of the index is in memory.
    OpenDatabase(QStringLiteral("record"));
    QWidget parent;
    auto* record = new CKivImChatRecordDlg(&parent);
    record->SetConversation(Own, QStringLiteral("我"), Friend, QStringLiteral("李四"));
    parent.resize(400, 420);
    parent.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    record->RefreshRecordList();
    const double open = KivElapsedMs(timer);
    std::printf("chat record panel after %d rows stored in another conversation\n", otherRows);
    std::printf(
        "  first open after a restart: %.2f ms (goal < 10 ms), %d rows in the conversation\n", open,
        record->Total());
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

    const QString only = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (only == QLatin1String("login-child")) {
        LoginChild(argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 4);
    } else {
        if (only.isEmpty() || only == QLatin1String("live"))
            LiveFlood(10000);
        if (only.isEmpty() || only == QLatin1String("offline"))
            OfflineFlood(5000);
        if (only.isEmpty() || only == QLatin1String("login"))
            LoginFigures(QCoreApplication::applicationFilePath());
        if (only.isEmpty() || only == QLatin1String("record"))
            RecordAfterOtherRows(500000);
    }
    KivIMMainDlg::mainDlg = nullptr;
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendDBModel::ReleaseInstance();
    return 0;
}
