#include "KivPrivateProfile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QTextCodec>

namespace {

struct Line {
    QByteArray bytes;  // without its line end
    QString text;
};

struct Profile {
    QList<Line> lines;
    QByteArray lineEnd = "\n";
    bool endsWithLineEnd = true;
};

Profile load(const QString& file, QTextCodec* codec) {
    Profile profile;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return profile;
    const QByteArray all = in.readAll();
    if (all.contains("\r\n"))
        profile.lineEnd = "\r\n";
    profile.endsWithLineEnd = all.isEmpty() || all.endsWith('\n');
    QList<QByteArray> raw = all.split('\n');
    if (profile.endsWithLineEnd)
        raw.removeLast();
    for (QByteArray& bytes : raw) {
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        profile.lines.append({bytes, codec->toUnicode(bytes)});
    }
    return profile;
}

// The section a line opens, or a null string.
QString sectionOf(const QString& line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const int close = trimmed.indexOf(QLatin1Char(']'));
    return close < 0 ? QString() : trimmed.mid(1, close - 1).trimmed();
}

bool isComment(const QString& line) {
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The key of a "key=value" line, or a null string.
QString keyOf(const QString& line) {
    if (isComment(line))
        return QString();
    const int equals = line.indexOf(QLatin1Char('='));
    return equals <= 0 ? QString() : line.left(equals).trimmed();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the key's line in the section: -1 when missing. `sectionEnd` gets the
// line after the section's last non-blank line (-1 when there is no section).
int find(const Profile& profile, const QString& section, const QString& key, int& sectionEnd) {
    sectionEnd = -1;
    bool inside = false;
    for (int i = 0; i < profile.lines.size(); ++i) {
        const QString& text = profile.lines[i].text;
        const QString opened = sectionOf(text);
        if (!opened.isNull()) {
            if (inside)
                return -1;
            inside = sameName(opened, section);
            if (inside)
                sectionEnd = i + 1;
            continue;
        }
        if (!inside)
            continue;
        if (!text.trimmed().isEmpty())
            sectionEnd = i + 1;
        const QString name = keyOf(text);
        if (!name.isNull() && sameName(name, key))
            return i;
    }
    return -1;
}

}  // namespace

KivPrivateProfile::KivPrivateProfile(QString file, QTextCodec* codec)
    : m_file(std::move(file)), m_codec(codec ? codec : QTextCodec::codecForName("UTF-8")) {}

QString KivPrivateProfile::Read(const QString& section, const QString& key) const {
    const Profile profile = load(m_file, m_codec);
    int sectionEnd = -1;
    const int at = find(profile, section, key, sectionEnd);
    if (at < 0)
        return QString();
    const QString& text = profile.lines[at].text;
    QString value = text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))) {
        value = value.mid(1, value.size() - 2);
    }
    return value.isNull() ? QString(QLatin1String("")) : value;
}

bool KivPrivateProfile::Write(const QString& section, const QString& key,
                              const QString& value) const {
    if (section.isEmpty() || key.isEmpty() || m_file.isEmpty())
        return false;
    Profile profile = load(m_file, m_codec);
    int sectionEnd = -1;
    const int at = find(profile, section, key, sectionEnd);
    if (at >= 0) {
        // The stored spelling of the key stays.
        const QString& text = profile.lines[at].text;
        const QString line = keyOf(text) + QLatin1Char('=') + value;
        profile.lines[at] = {m_codec->fromUnicode(line), line};
    } else {
        const QString line = key + QLatin1Char('=') + value;
        if (sectionEnd < 0) {
            const QString header = QLatin1Char('[') + section + QLatin1Char(']');
            profile.lines.append({m_codec->fromUnicode(header), header});
            sectionEnd = profile.lines.size();
        }
        profile.lines.insert(sectionEnd, {m_codec->fromUnicode(line), line});
    }
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < profile.lines.size(); ++i) {
        out.write(profile.lines[i].bytes);
        if (i + 1 < profile.lines.size() || profile.endsWithLineEnd || at < 0)
            out.write(profile.lineEnd);
    }
    return out.commit();
}
