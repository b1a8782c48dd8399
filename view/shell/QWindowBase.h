#pragma once

#include <QDialog>
#include <QPoint>

#include "KivWindowDrag.h"

class KivFocusRing;
class QPushButton;

enum EWndCornerType {
    WndCornerRound,  // the 7 x 7 rounded mask
    WndCornerSquare,
};

// Base of the frameless dialogs: own title buttons, drag to move (never above
// the top of the screen), rounded corners, edge resizing and a style sheet skin.
class QWindowBase : public QDialog {
    Q_OBJECT
public:
    // The resize zones along the frame; the corner zones sit a few pixels inside.
    enum HitZone {
        HitNone,
        HitLeft,
        HitRight,
        HitTop,
        HitBottom,
        HitTopLeft,
        HitTopRight,
        HitBottomLeft,
        HitBottomRight,
    };

    explicit QWindowBase(QWidget* parent);

    void SetBtnNumber(bool three);
    void EnableMove(bool on);
    void EnableResize(bool on);
    void SetCornerType(EWndCornerType type);
    bool SetSkin(const QString& path);
    // Whether Esc closes the window the way its close button does (on by
    // default; a main window turns it off).
    void SetEscapeCloses(bool on) { m_bEscapeCloses = on; }

    // Sizes the window. One the user cannot resize keeps its size fixed,
    // so that tiling compositors float it at that size instead of
    // stretching it over a tile.
    void SetWindowSize(const QSize& size);

    static HitZone HitTest(const QPoint& pos, const QSize& size);
    static Qt::Edges EdgesOf(HitZone zone);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Esc: the close button's own way out, so the window's bookkeeping runs.
    void keyPressEvent(QKeyEvent* event) override;

    QPushButton* m_pMinimize = nullptr;
    QPushButton* m_pMaximize = nullptr;
    QPushButton* m_pClose = nullptr;

private:
    void PlaceTitleButtons();
    void UpdateResizeCursor(const QPoint& pos);

    KivWindowDrag m_drag{true};
    bool m_bResizable = false;
    bool m_bMovable = false;
    bool m_bThreeButtons = false;
    bool m_bEscapeCloses = true;
    KivFocusRing* m_pFocusRing = nullptr;
    EWndCornerType m_cornerType = WndCornerRound;
    QSize m_titleButtonSize;
};
