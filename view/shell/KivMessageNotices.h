#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

#include "KivChatQueries.h"

class KivDesktopNotifier;

// The main window's notices on the desktop: one per friend for the messages
// that arrive while the friend's chat window is not the active one, and one
// per asker for friend requests, each updated in place. A click opens the
// chat or the request list.
class KivMessageNotices : public QObject {
    Q_OBJECT
public:
    // Longest body shown; the rest of a long first line is cut with "…".
    static constexpr int kMaxBody = 120;

    // Who a friend is on a notice: the name and the head picture's file.
    struct Who {
        QString name;
        QString head;
    };
    // `inFront` says whether the friend's chat window is the active one;
    // `enabled` reads the user's setting at each notice.
    KivMessageNotices(QObject* parent, std::function<Who(quint32)> who,
                      std::function<bool(quint32)> inFront, std::function<bool()> enabled);

    // Rows just taken in, in order: one notice per sender, with its newest text.
    void Received(const QVector<KivChatQueries::Received>& rows);
    void Message(quint32 uid, const QString& text);
    void Request(quint32 uid, const QString& text);
    // The chat was opened: its notice is no news any more.
    void Withdraw(quint32 uid);
    void WithdrawRequest(quint32 uid);
    bool IsShown(quint32 uid) const;

    // The first line of a chat text, trimmed and cut to kMaxBody characters.
    static QString FirstLine(const QString& text);

signals:
    void ChatClicked(quint32 uid);
    void RequestClicked(quint32 uid);

private:
    KivDesktopNotifier* m_pNotifier;
    std::function<Who(quint32)> m_who;
    std::function<bool(quint32)> m_inFront;
    std::function<bool()> m_enabled;
};
