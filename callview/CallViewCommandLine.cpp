#include "CallViewCommandLine.h"

namespace {

// Reads a leading decimal number as "%d" would: optional sign, digits, and
// whatever follows ignored; 0 when there is none.
qint64 LeadingNumber(const QString& text) {
    int end = 0;
    if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) {
        ++end;
    }
    while (end < text.size() && text[end].isDigit() && end < 19) {
        ++end;
    }
    bool ok = false;
    const qint64 value = text.left(end).toLongLong(&ok);
    return ok ? value : 0;
}

}  // namespace

CallViewCommandLine::CallViewCommandLine(const QStringList& arguments) {
    static const QString kDevice = QStringLiteral("--device=");
    static const QString kMe = QStringLiteral("--me=");
    static const QString kTo = QStringLiteral("--to");
    static const QString kStarterPid = QStringLiteral("--starter-pid=");
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        int at = -1;
        if (argument == QLatin1String("--type=renderer")) {
            m_options.insert(QStringLiteral("--type"), QStringLiteral("renderer"));
        } else if (argument.startsWith(kStarterPid)) {
            m_options.insert(QStringLiteral("--starter-pid"), argument.mid(kStarterPid.size()));
        } else if ((at = argument.indexOf(kDevice)) >= 0) {
            m_options.insert(QStringLiteral("--device"), argument.mid(at + kDevice.size()));
        } else if ((at = argument.indexOf(kMe)) >= 0) {
            m_options.insert(QStringLiteral("--me"), argument.mid(at + kMe.size()));
        } else if ((at = argument.indexOf(kTo)) >= 0) {
            // The value starts five characters after the match, whatever the
            // character after "--to" is.
            m_options.insert(QStringLiteral("--to"), argument.mid(at + kTo.size() + 1));
        } else {
            m_loose.append(argument);
        }
    }
}

quint64 CallViewCommandLine::starterWindow() const {
    const qint64 value = LeadingNumber(option(QStringLiteral("--device")));
    // "%d" of a window id: the id's low 32 bits.
    return quint64(quint32(qint32(value)));
}

qint64 CallViewCommandLine::starterPid() const {
    bool ok = false;
    const qint64 pid = option(QStringLiteral("--starter-pid")).toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

int CallViewCommandLine::selfId() const {
    return int(LeadingNumber(option(QStringLiteral("--me"))));
}

int CallViewCommandLine::peerId() const {
    return int(LeadingNumber(option(QStringLiteral("--to"))));
}
