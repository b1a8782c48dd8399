#pragma once

#include <QWidget>
#include <functional>

#include "CKivChatSearchIndex.h"
#include "chat/KivChatSearchHit.h"

class KivChatSearcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

// A search over the chat history: the field, a status line (how many hits,
// or how far the index is built) and the hits, newest first, each with its
// date, its sender and the places the query stands highlighted. Enter and
// Shift+Enter go to the next and the previous hit; a click goes to that one.
class KivChatSearchPanel : public QWidget {
    Q_OBJECT
public:
    // Names the sender of a hit.
    using Namer = std::function<QString(quint32 uid)>;
    // The data roles of a hit's row.
    enum Role { HitRole = Qt::UserRole + 1, SenderRole };

    explicit KivChatSearchPanel(QWidget* parent = nullptr);
    ~KivChatSearchPanel() override;

    void SetScope(CKivChatSearchIndex::Scope scope, Namer namer);
    // Starts the search now (the field waits a moment after each key).
    void SetQuery(const QString& query);
    QString Query() const;
    bool HasQuery() const { return !Query().isEmpty(); }
    // The hits listed so far, newest first.
    QVector<KivChatSearchHit> Hits() const;
    // The hit shown last (-1 for none).
    int CurrentHit() const;
    // Shows hit `row` and announces it.
    void GoTo(int row);
    QLineEdit* Field() const { return m_pField; }
    QListWidget* List() const { return m_pList; }
    QLabel* Status() const { return m_pStatus; }
    // The search that runs has delivered its last hits.
    bool Finished() const { return m_finished; }

signals:
    void HitActivated(const KivChatSearchHit& hit);
    // The field became empty or non-empty.
    void QueryPresenceChanged(bool present);
    // The search ended (Finished()).
    void SearchFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Start();
    void TakeHits(int number, const QVector<KivChatSearchHit>& hits, bool done);
    void ShowStatus();

    QLineEdit* m_pField = nullptr;
    QLabel* m_pStatus = nullptr;
    QListWidget* m_pList = nullptr;
    QTimer* m_pDelay = nullptr;
    QTimer* m_pProgress = nullptr;
    KivChatSearcher* m_pSearcher = nullptr;
    CKivChatSearchIndex::Scope m_scope;
    Namer m_namer;
    int m_number = 0;
    bool m_finished = true;
    bool m_hadQuery = false;
    // Enter came before the first hit: it is shown when it arrives.
    bool m_goToFirst = false;
};
