#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

// Turns the desktop's global hot-key presses into signals for the main window.
class KivNativeEvent : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    int showKeyId = 0;
    int getMsgKeyId = 0;
    int hideKeyId = 0;

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;
    // The step after the platform layer: what a pressed hot key identifier does.
    bool HandleHotKey(int id);

signals:
    void ShowmDlgHotKey();
    void GetMsgHotKey();
    void HidemDlgHotKey();

public slots:
    void getShowmDlgKeyId(int id);
    void getGetmsgHotId(int id);
    void getHidemDlgHotId(int id);
};
