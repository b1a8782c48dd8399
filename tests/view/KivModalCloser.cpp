#include "KivModalCloser.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

KivModalCloser::KivModalCloser() {
    connect(&m_timer, &QTimer::timeout, this, &KivModalCloser::poll);
    m_timer.start(20);
}

void KivModalCloser::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    m_titles.append(modal->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_texts.append(box->text());
        box->done(QMessageBox::No);
        return;
    }
    if (auto* text = modal->findChild<QLabel*>(QStringLiteral("Text_label")))
        m_texts.append(text->text());
    if (auto* first = modal->findChild<QPushButton*>(QStringLiteral("bBtn1Name"))) {
        first->click();
    } else {
        modal->close();
    }
}
