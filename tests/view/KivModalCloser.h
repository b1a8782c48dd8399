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

private:
    void poll();

    QTimer m_timer;
    QStringList m_texts;
};
