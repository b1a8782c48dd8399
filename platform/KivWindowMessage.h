#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

// Window messages between the client and the call window program. A window
// that takes messages owns a KivMessageWindow with an id other processes of
// the same user can address; KivSendMessage delivers {kind, sender, bytes} to
// it and waits until its handler has run. Posted messages are queued to the
// own window and reach the same handler later.

// The message numbers the handler sees.
inline constexpr quint32 KivWmCopyData = 74;
inline constexpr quint32 KivWmUser = 0x0400;

// Largest data block a window accepts; larger ones are refused unread.
inline constexpr int KivWindowMessageMaxData = 64 * 1024;

struct KivWindowMessage {
    quint32 message = 0;  // KivWmCopyData for sent data, else the posted number
    quint32 kind = 0;     // data kind of a KivWmCopyData message
    quint64 wParam = 0;   // the sender's window id, or what the poster gave
    QByteArray data;      // the data block (KivWmCopyData only)
    // The process that sent it, as the system tells (not as the sender
    // claims); 0 for posted messages. Window ids are reused, so a receiver
    // that expects one program tells it apart by this.
    qint64 senderPid = 0;
};

class KivMessageWindowPrivate;

class KivMessageWindow : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const KivWindowMessage&)>;

    // Takes messages for `id` (see KivWindowIdFor) until destroyed.
    KivMessageWindow(quint64 id, Handler handler, QObject* parent = nullptr);
    ~KivMessageWindow() override;

    quint64 id() const;
    // False when another window of this user already has the id or the
    // system refused the listening socket.
    bool isListening() const;

    // Queues `message` with `wParam` to this window's handler.
    void post(quint32 message, quint64 wParam);

private:
    std::unique_ptr<KivMessageWindowPrivate> d;
};

// The addressable id of a window with native handle `nativeId`: the handle
// itself where the windowing system makes it unique (X11); otherwise an id
// made unique per process.
quint64 KivWindowIdFor(quint64 nativeId);

// Delivers data kind `kind` from window `sender` to window `to` and waits up
// to timeoutMs for its handler to run. False when the window is gone, does not
// answer in time, or refused the message. Messages sent to this process while
// it waits are handled meanwhile, so two windows sending to each other at
// once do not lock up.
bool KivSendMessage(quint64 to, quint32 kind, quint64 sender, const QByteArray& data,
                    int timeoutMs = 5000);

// True while some window takes messages for `id`.
bool KivWindowExists(quint64 id);
