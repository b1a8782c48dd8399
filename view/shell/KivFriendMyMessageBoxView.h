#pragma once

#include "shell/QWindowBase.h"

class QLabel;
class QHBoxLayout;
class QPushButton;

// The system's modal message box in the frameless style: exec() returns 1 for
// the first button and 0 for the second (or for closing the box).
class KivFriendMyMessageBoxView : public QWindowBase {
    Q_OBJECT
public:
    explicit KivFriendMyMessageBoxView(QWidget* parent);

    void SetOneButton(const QString& title, const QString& text, const QString& button);
    void SetTwoButtons(const QString& title, const QString& text, const QString& first,
                       const QString& second);

    // One-button box, shown modally; the box is gone when this returns, also
    // when its parent was deleted meanwhile (then 0).
    static int Show(QWidget* parent, const QString& title, const QString& text,
                    const QString& button);
    // One-button box with the title "提示", shown modally.
    static int Tip(QWidget* parent, const QString& text, const QString& button);
    static int Ask(QWidget* parent, const QString& text, const QString& first,
                   const QString& second);

signals:
    void bBtn1NameClickedSignal();

public slots:
    void bBtn1NameClicked();
    void bBtn2NameClicked();
    void bClose_Clicked();

private:
    QPushButton* AddButton(const QString& objectName, const QString& text);
    void ClearButtons();

    QLabel* m_pTitle = nullptr;
    QLabel* m_pText = nullptr;
    QWidget* m_pButtonRow = nullptr;
    QHBoxLayout* m_pButtonLayout = nullptr;
};
