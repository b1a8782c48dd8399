#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

class KivChatMessageWidget;
class QMenu;
class QPropertyAnimation;
class QTimer;
class QWidget;

// The main window's presence outside itself: the tray icon and its menu, the
// icon's flashing while messages wait, the unread preview shown while the mouse
// rests on the tray, and sliding the window into the top screen edge.
class KivMainDlgTray : public QObject {
    Q_OBJECT
public:
    // The window is the one hidden at the edge; the preview is shown by the tray.
    KivMainDlgTray(QWidget* window, KivChatMessageWidget* preview);

    // Shows the tray icon with its menu and starts watching the mouse.
    void Show(const QString& toolTip);
    void Hide();
    void SetToolTip(const QString& toolTip);
    QString ToolTip() const;

    void StartFlashing();
    // Stops and puts the program icon back.
    void StopFlashing();
    // Stops without changing the icon.
    void PauseFlashing();
    bool IsFlashing() const;
    // One flash step: the head picture and the glint picture take turns.
    void Flash(const QString& head);

    // One watch step. `previewable` says whether the newest unread friend has a
    // preview entry worth showing; `marginHide` enables hiding at the top edge.
    void Watch(bool previewable, bool marginHide);

    // Brings the window back from the top edge at once.
    void BackFromEdge();
    // Brings the window up wherever it is: back from the edge, out of the task
    // bar or the tray, in front and active.
    void BringUp();
    // The show hot key: a hidden window comes up, a minimised one is restored
    // and a shown one hides.
    void ToggleWindow();
    // Hides the window at the top edge if it touches it.
    void HideAtEdge();

signals:
    void ShowRequested();
    void QuitRequested();
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void FlashTimeout();
    void WatchTimeout();

private:
    void AnimateTo(int top);
    void PlacePreview();

    QWidget* m_pWindow;
    KivChatMessageWidget* m_pPreview;
    QSystemTrayIcon* m_pTray = nullptr;
    QMenu* m_pTrayMenu = nullptr;
    QTimer* m_pFlashTimer = nullptr;
    int m_flashPhase = 0;
    QTimer* m_pWatchTimer = nullptr;
    int m_previewTicks = 0;
    QRect m_desktop;
    QPropertyAnimation* m_pEdgeAnimation = nullptr;
};
