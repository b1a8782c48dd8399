#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

class CallViewVideoWindow;
class QLabel;
class QPushButton;

// The call window: 528 x 425 without frame, a dark title strip with the
// logo, "正在视频通话..." and two sprite buttons (minimise, close), the remote
// video filling the rest and the local preview in the lower right corner.
// The top 31 pixels drag the window.
class CallViewWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 528;
    static constexpr int kHeight = 425;
    static constexpr int kDragHeight = 31;

    explicit CallViewWindow(QWidget* parent = nullptr);

    CallViewVideoWindow* LocalVideo() const { return m_local; }
    CallViewVideoWindow* RemoteVideo() const { return m_remote; }
    QRect CloseRect() const { return m_closeRect; }
    QRect MinRect() const { return m_minRect; }
    int CloseState() const { return m_closeState; }
    int MinState() const { return m_minState; }
    bool IsDragging() const { return m_dragging; }
    QPoint MinimizeBarPos() const;
    // The keyboard's and the screen reader's handles of the two buttons.
    QPushButton* HangUpKey() const { return m_hangUpKey; }
    QPushButton* MinimizeKey() const { return m_minimizeKey; }
    // Whether the call is encrypted, in the title strip: the short code the
    // two people compare, or a plain marker.
    void ShowSecurity(const QString& text, bool encrypted);
    QLabel* SecurityLabel() const { return m_security; }

signals:
    // The close button was released: the user hangs up.
    void HangUpClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Closed from outside (the window manager): the same as hanging up.
    void closeEvent(QCloseEvent* event) override;

private:
    void Layout(int width, int height);

    QImage m_close;
    QImage m_minimize;
    QImage m_logo;
    int m_buttonWidth = 0;
    int m_buttonHeight = 0;
    int m_minWidth = 0;
    int m_minHeight = 0;
    QRect m_closeRect;
    QRect m_minRect;
    int m_closeState = 0;
    int m_minState = 0;
    bool m_dragging = false;
    QPoint m_dragOffset;
    CallViewVideoWindow* m_remote = nullptr;
    CallViewVideoWindow* m_local = nullptr;
    QPushButton* m_hangUpKey = nullptr;
    QPushButton* m_minimizeKey = nullptr;
    QLabel* m_security = nullptr;
};
