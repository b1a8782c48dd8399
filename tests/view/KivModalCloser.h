#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Answers the modal boxes a test provokes: remembers each box's text and
// presses its first button (or closes it), so exec() returns.
class KivModalCloser : public QObject {
public:
    KivModalCloser();
    QStringList texts() const { return m_texts; }
    // The boxes' window titles, in the same order.
    QStringList titles() const { return m_titles; }

private:
    void poll();

    QTimer m_timer;
    QStringList m_texts;
    QStringList m_titles;
};
