#include "KivPlaceholderDlg.h"

#include <QLabel>
#include <QPushButton>

KivPlaceholderDlg::KivPlaceholderDlg(const QString& objectName, const QString& caption,
                                     QWidget* parent)
    : QWindowBase(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(360, 220);
    auto* title = new QLabel(caption, this);
    title->setObjectName(QStringLiteral("Title_label"));
    title->setGeometry(14, 4, 240, 26);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("Text_label"));
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setWordWrap(true);
    m_pText->setGeometry(20, 50, width() - 40, height() - 80);
    setStyleSheet(QStringLiteral("QWindowBase,KivPlaceholderDlg{background:#ffffff;}"));
    SetBtnNumber(false);
    EnableMove(true);
    connect(m_pClose, &QPushButton::clicked, this, &KivPlaceholderDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &QWidget::showMinimized);
}

void KivPlaceholderDlg::SetText(const QString& text) {
    m_pText->setText(text);
}

void KivPlaceholderDlg::bClose_Clicked() {
    close();
}
