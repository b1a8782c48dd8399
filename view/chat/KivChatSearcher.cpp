#include "chat/KivChatSearcher.h"

#include "KivChatHistory.h"
#include "chat/KivChatSearchText.h"

namespace {

// Candidates read from the index per step, and message ids scanned per step
// where there is no index (yet).
constexpr int kCandidates = 200;
constexpr qint64 kScanSpan = 20000;

}  // namespace

class KivChatSearcher::Worker : public QObject {
public:
    Worker(KivChatSearcher* owner, std::shared_ptr<std::atomic<int>> latest)
        : m_pOwner(owner), m_latest(std::move(latest)) {}

    void Run(int number, const QString& query, CKivChatSearchIndex::Scope scope);

private:
    bool Stale(int number) const { return m_latest->load() != number; }
    // Scans the ids from `before` down to `lowest` (inclusive) a step at a
    // time; false once enough were found, the search went stale or failed.
    bool ScanDown(int number, const KivChatHistory& history, const QString& query,
                  CKivChatSearchIndex::Scope scope, qint64 before, qint64 lowest);
    // Keeps the rows whose plain text holds the query; false once enough.
    bool Take(const QVector<CKivChatRecordRow>& rows, const QString& query);
    void Flush(int number, bool done);

    KivChatSearcher* m_pOwner;
    std::shared_ptr<std::atomic<int>> m_latest;
    std::unique_ptr<KivChatSearchText> m_text;
    QVector<KivChatSearchHit> m_batch;
    int m_found = 0;
};

bool KivChatSearcher::Worker::ScanDown(int number, const KivChatHistory& history,
                                       const QString& query, CKivChatSearchIndex::Scope scope,
                                       qint64 before, qint64 lowest) {
    bool more = true;
    while (more && before > lowest && !Stale(number)) {
        const qint64 floor = qMax(lowest, before - kScanSpan);
        QVector<CKivChatRecordRow> rows;
        if (!history.Scan(query, scope, before, floor, kMaxHits - m_found, &rows))
            return false;
        more = Take(rows, query);
        before = floor;
        Flush(number, false);
    }
    return more && !Stale(number);
}

bool KivChatSearcher::Worker::Take(const QVector<CKivChatRecordRow>& rows, const QString& query) {
    for (const CKivChatRecordRow& row : rows) {
        KivChatSearchHit hit;
        hit.plain = m_text->Plain(row.message);
        hit.spans = KivChatSearchText::Find(hit.plain, query);
        if (hit.spans.isEmpty())
            continue;
        hit.id = row.id;
        hit.sender = row.senderUid;
        hit.receiver = row.receiverUid;
        hit.time = row.msgTime;
        m_batch.append(std::move(hit));
        if (++m_found >= kMaxHits)
            return false;
    }
    return true;
}

void KivChatSearcher::Worker::Flush(int number, bool done) {
    if (m_batch.isEmpty() && !done)
        return;
    // The hits leave as a vector of their own: the worker keeps no share of it.
    QVector<KivChatSearchHit> batch;
    batch.swap(m_batch);
    emit m_pOwner->Found(number, batch, done);
}

void KivChatSearcher::Worker::Run(int number, const QString& query,
                                  CKivChatSearchIndex::Scope scope) {
    if (Stale(number))
        return;
    if (!m_text)
        m_text = std::make_unique<KivChatSearchText>();
    m_batch.clear();
    m_found = 0;
    // One connection for the whole run: opening it checks the schema.
    const KivChatHistory history;
    CKivChatSearchIndex::Coverage coverage;
    const bool indexed = history.IndexCoverage(&coverage);
    bool more = true;
    if (indexed && query.toUcs4().size() >= CKivChatSearchIndex::MinIndexedLength) {
        // Newest first: the rows the fill has not looked at since they came
        // (another program's may lack their copy), the index, then the
        // history the fill has not reached yet.
        more = ScanDown(number, history, query, scope, coverage.top + 1, coverage.high + 1);
        qint64 before = coverage.high + 1;
        while (more && !Stale(number)) {
            QVector<CKivChatRecordRow> rows;
            if (!history.Candidates(query, scope, before, kCandidates, &rows))
                break;
            more = Take(rows, query) && rows.size() == kCandidates;
            if (!rows.isEmpty())
                before = rows.last().id;
            Flush(number, false);
        }
        if (m_found < kMaxHits)
            ScanDown(number, history, query, scope, coverage.low, 1);
    } else {
        ScanDown(number, history, query, scope, history.NewestId() + 1, 1);
    }
    if (!Stale(number))
        Flush(number, true);
}

KivChatSearcher::KivChatSearcher(QObject* parent)
    : QObject(parent), m_latest(std::make_shared<std::atomic<int>>(0)) {
    qRegisterMetaType<KivChatSearchHit>();
    qRegisterMetaType<QVector<KivChatSearchHit>>();
    m_pWorker = new Worker(this, m_latest);
    m_pWorker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_pWorker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("chat search"));
    m_thread.start(QThread::LowPriority);
}

KivChatSearcher::~KivChatSearcher() {
    Cancel();
    m_thread.quit();
    m_thread.wait();
}

int KivChatSearcher::Search(const QString& query, CKivChatSearchIndex::Scope scope) {
    const int number = ++*m_latest;
    QString wanted = query;
    wanted.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    wanted.remove(QChar(QChar::ObjectReplacementCharacter));
    if (wanted.isEmpty())
        return number;
    Worker* worker = m_pWorker;
    QMetaObject::invokeMethod(
        worker, [worker, number, wanted, scope] { worker->Run(number, wanted, scope); },
        Qt::QueuedConnection);
    return number;
}

void KivChatSearcher::Cancel() {
    ++*m_latest;
}
