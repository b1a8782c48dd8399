#pragma once

#include <QObject>
#include <QTimer>

// Watches another process's message window and says when it is gone, so a
// call window that ended without a word (it crashed, or was killed) does not
// leave its starter waiting.
class KivWindowWatch : public QObject {
    Q_OBJECT
public:
    explicit KivWindowWatch(QObject* parent = nullptr);

    // Starts watching `window`; with 0, reports it gone if no window was
    // named within `graceMs` (the program never came up).
    void Watch(quint64 window, int graceMs = 0);
    void Stop();

signals:
    void Gone();

private:
    void Check();

    QTimer m_timer;
    quint64 m_window = 0;
    qint64 m_deadline = 0;
};
