#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class KivPortalRequest;
class QDBusPendingCallWatcher;

// A picture of the desktop through the desktop portal's Screenshot interface
// on the session bus: the portal writes a PNG file and answers with its
// address. The desktop may ask the user first, so the answer comes whenever it
// comes, within a time limit. The file is the portal's and is left where it is.
class KivPortalScreenshot : public QObject {
    Q_OBJECT
public:
    // Pictures wider or taller than this are refused before they are decoded.
    static constexpr int kMaxSide = 16384;

    explicit KivPortalScreenshot(QObject* parent = nullptr);
    // A request still open is withdrawn from the portal; nothing is signalled.
    ~KivPortalScreenshot() override;

    void SetTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }
    // One of the signals follows, never from inside this call. Ignored while
    // a request is open.
    void Start();
    bool IsBusy() const { return m_busy; }

signals:
    void Grabbed(const QImage& picture);
    // `reason` is for the user.
    void Failed(const QString& reason);

private:
    void Listen(const QString& path);
    void Called(QDBusPendingCallWatcher* call);
    void Answered(uint response, const QVariantMap& results);
    void TimedOut();
    void Finish(const QImage& picture, const QString& reason);
    void FinishLater(const QString& reason);

    QDBusConnection m_bus;
    std::unique_ptr<KivPortalRequest> m_request;
    std::unique_ptr<QDBusPendingCallWatcher> m_call;
    QTimer m_timer;
    int m_timeLimit = 60000;
    bool m_busy = false;
};
