#pragma once

#include <QObject>
#include <QThread>
#include <QVector>
#include <atomic>
#include <memory>

#include "CKivChatSearchIndex.h"
#include "chat/KivChatSearchHit.h"

// Searches the chat history on a thread of its own: typing never waits for
// the database. A newer search stops an older one at its next step; the hits
// of one search arrive in batches, newest first.
class KivChatSearcher : public QObject {
    Q_OBJECT
public:
    // A search stops after this many hits.
    static constexpr int kMaxHits = 500;

    explicit KivChatSearcher(QObject* parent = nullptr);
    ~KivChatSearcher() override;

    // Starts a search of `query` (stripped of line breaks) and returns its
    // number; an empty query only stops the one running.
    int Search(const QString& query, CKivChatSearchIndex::Scope scope);
    void Cancel();

signals:
    // More hits of search `number`, older than those before; `done` with the last.
    void Found(int number, const QVector<KivChatSearchHit>& hits, bool done);

private:
    class Worker;
    QThread m_thread;
    Worker* m_pWorker = nullptr;
    std::shared_ptr<std::atomic<int>> m_latest;
};
