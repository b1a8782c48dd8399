#pragma once

#include <QMap>
#include <QStringList>

// The call window's command line: "--device=<starter window id>",
// "--starter-pid=<the starting client's process id>" and, on the calling
// side, "--me=<own id>" and "--to=<peer id>".
class CallViewCommandLine {
public:
    // Argument 0 (the program) is skipped.
    explicit CallViewCommandLine(const QStringList& arguments);

    QString option(const QString& name) const { return m_options.value(name); }
    bool hasOption(const QString& name) const { return m_options.contains(name); }
    const QStringList& looseArguments() const { return m_loose; }

    // 0 when absent or not a number.
    quint64 starterWindow() const;
    // Window messages are taken from this process only; 0 when absent or
    // not a plain positive number (then from none).
    qint64 starterPid() const;
    int selfId() const;
    int peerId() const;
    // The calling side starts its sessions at once.
    bool isCallingSide() const { return !option(QStringLiteral("--me")).isEmpty(); }

private:
    QMap<QString, QString> m_options;
    QStringList m_loose;
};
