#include "KivAttachment.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>

namespace {

const QString kMark = QStringLiteral("【附件】");
const QChar kBar(0xFF5C);  // ｜, between the fields

// What a name may not show raw: the escape itself, the field bar, what the
// face converter and the address finder would take for theirs, and paths.
bool MustEscape(QChar c) {
    const ushort u = c.unicode();
    return u < 0x20 || u == 0x7F || c == QLatin1Char('%') || c == QLatin1Char('[') ||
           c == QLatin1Char(']') || c == kBar || c == QLatin1Char(':') || c == QLatin1Char('@') ||
           c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// A "www." would start a web address: its dot is escaped.
bool DotAfterWww(const QString& name, int at) {
    return name.at(at) == QLatin1Char('.') && at >= 3 &&
           name.midRef(at - 3, 3).compare(QLatin1String("www"), Qt::CaseInsensitive) == 0;
}

QString Escape(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (MustEscape(c) || DotAfterWww(name, i)) {
            for (const char byte : QString(c).toUtf8())
                out += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            out += c;
        }
    }
    return out;
}

// The escaped name read back; nothing when an escape is malformed, when a
// character that must be escaped stands raw, or when the bytes are no UTF-8.
std::optional<QString> Unescape(const QString& escaped) {
    QByteArray bytes;
    QString run;  // raw characters, converted whole so surrogate pairs stay pairs
    for (int i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped.at(i);
        if (c == QLatin1Char('%')) {
            const auto digit = [&](int at) {
                return at < escaped.size() && escaped.at(at).unicode() < 0x80 &&
                       isxdigit(escaped.at(at).unicode()) != 0;
            };
            if (!digit(i + 1) || !digit(i + 2))
                return std::nullopt;
            bytes += run.toUtf8();
            run.clear();
            bytes += char(escaped.midRef(i + 1, 2).toUInt(nullptr, 16));
            i += 2;
        } else if (MustEscape(c) || DotAfterWww(escaped, i)) {
            return std::nullopt;
        } else {
            run += c;
        }
    }
    bytes += run.toUtf8();
    const QString name = QString::fromUtf8(bytes);
    if (name.toUtf8() != bytes)
        return std::nullopt;
    return name;
}

const QRegularExpression& Form() {
    static const QRegularExpression form(
        QStringLiteral("^%1([^%2]{1,800})%2(\\d{1,10}) 字节%2编号 ([A-Za-z0-9_-]{16,64})%2SHA-256 "
                       "([0-9a-f]{64})$")
            .arg(kMark, kBar));
    return form;
}

bool IsHash(const QByteArray& hash) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(QString::fromLatin1(hash)).hasMatch();
}

// Control characters go, and format ones such as the right-to-left override
// that makes "txt.exe" read as "exe.txt".
QString WithoutControls(const QString& name) {
    QString clean;
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean += c;
    }
    return clean;
}

}  // namespace

QString KivAttachment::ToText() const {
    if (name.isEmpty() || name.toUtf8().size() > kMaxNameBytes || size > kMaxSize ||
        !IsValidId(id) || !IsHash(sha256))
        return QString();
    // Joined, not filled in with arg(): the escaped name holds "%" and digits.
    return kMark + Escape(name) + kBar + QString::number(size) + QStringLiteral(" 字节") + kBar +
           QStringLiteral("编号 ") + id + kBar + QStringLiteral("SHA-256 ") +
           QString::fromLatin1(sha256);
}

bool KivAttachment::LooksLikeAnnouncement(const QString& text) {
    return text.startsWith(kMark);
}

std::optional<KivAttachment> KivAttachment::FromText(const QString& text) {
    if (!LooksLikeAnnouncement(text))
        return std::nullopt;
    const QRegularExpressionMatch match = Form().match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<QString> name = Unescape(match.captured(1));
    bool ok = false;
    const quint64 size = match.captured(2).toULongLong(&ok);
    if (!name || name->isEmpty() || name->toUtf8().size() > kMaxNameBytes || !ok || size > kMaxSize)
        return std::nullopt;
    KivAttachment attachment;
    attachment.name = *name;
    attachment.size = size;
    attachment.id = match.captured(3);
    attachment.sha256 = match.captured(4).toLatin1();
    return attachment;
}

bool KivAttachment::IsPicture() const {
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") ||
           suffix == QLatin1String("jpeg") || suffix == QLatin1String("gif");
}

bool KivAttachment::IsValidId(const QString& id) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_-]{16,64}$"));
    return valid.match(id).hasMatch();
}

QString KivAttachment::FitName(const QString& name) {
    if (name.toUtf8().size() <= kMaxNameBytes)
        return name;
    const QString suffix = QFileInfo(name).suffix();
    QString stem = name.left(name.size() - (suffix.isEmpty() ? 0 : suffix.size() + 1));
    const QString tail =
        suffix.isEmpty() || suffix.toUtf8().size() > 32 ? QString() : QLatin1Char('.') + suffix;
    // Cut whole characters, never half of a surrogate pair.
    while (!stem.isEmpty() && (stem + tail).toUtf8().size() > kMaxNameBytes) {
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return stem + tail;
}

QString KivAttachment::ShownName() const {
    return WithoutControls(name);
}

QString KivAttachment::SafeFileName(const QString& name) {
    const int cut =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    QString clean = WithoutControls(name.mid(cut + 1));
    // No hidden names, and no names the shell or the file manager trims.
    while (!clean.isEmpty() && (clean.at(0) == QLatin1Char('.') || clean.at(0).isSpace()))
        clean.remove(0, 1);
    while (!clean.isEmpty() &&
           (clean.endsWith(QLatin1Char('.')) || clean.at(clean.size() - 1).isSpace()))
        clean.chop(1);
    if (clean.isEmpty())
        clean = QStringLiteral("附件");
    return FitName(clean);
}
