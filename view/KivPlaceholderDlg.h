#pragma once

#include "QWindowBase.h"

// A small frameless dialog with a caption and a line of text, the common
// frame of the contact dialogs whose full forms come later.
class KivPlaceholderDlg : public QWindowBase {
    Q_OBJECT
public:
    KivPlaceholderDlg(const QString& objectName, const QString& caption, QWidget* parent);

    void SetText(const QString& text);

public slots:
    void bClose_Clicked();

private:
    class QLabel* m_pText = nullptr;
};
