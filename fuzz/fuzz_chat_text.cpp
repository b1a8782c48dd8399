// Feeds arbitrary received chat texts through the conversion to bubble HTML
// and checks what comes out: no markup but the links and pictures the
// conversion makes, pictures only from the face and gift folders, and link
// addresses that cannot leave their attribute.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "shell/KivIMMainDlg.h"

namespace {

void Fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

bool IsChatPicture(const QString& path) {
    static const QRegularExpression picture(
        QStringLiteral(R"(^image/(face|gift)/[^/\\]+\.(png|gif|jpg)$)"));
    return picture.match(path).hasMatch() && !path.contains(QLatin1String(".."));
}

// The two constructs the conversion may write; everything else must be text.
const QRegularExpression& Link() {
    static const QRegularExpression link(QStringLiteral(
        R"re(<a href='([^'<>"]*)'><span style="text-decoration: underline; color:#0000ff;">([^<>]*)</span></a>)re"));
    return link;
}
const QRegularExpression& Image() {
    static const QRegularExpression image(
        QStringLiteral(R"re(<img src="([^"<>]*)" width="60" height="60"/>)re"));
    return image;
}

void CheckLine(const QString& line) {
    QString rest = line;
    QRegularExpressionMatchIterator images = Image().globalMatch(line);
    while (images.hasNext()) {
        const QString src = images.next().captured(1);
        if (!IsChatPicture(src))
            Fail("picture outside the folders", src);
    }
    QRegularExpressionMatchIterator links = Link().globalMatch(line);
    while (links.hasNext()) {
        const QRegularExpressionMatch link = links.next();
        if (link.captured(1) != link.captured(2))
            Fail("link text differs from its address", line);
    }
    rest.replace(Image(), QString());
    rest.replace(Link(), QString());
    if (rest.contains(QLatin1Char('<')) || rest.contains(QLatin1Char('>')))
        Fail("unescaped markup", line);
}

// What a bubble would hold: every picture from the folders.
void CheckDocument(const QStringList& lines) {
    QTextDocument document;
    document.setHtml(lines.join(QStringLiteral("<br/>")));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat() && !IsChatPicture(format.toImageFormat().name()))
                Fail("document picture outside the folders", format.toImageFormat().name());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept for the whole run and never destroyed: the platform plug-in may be
    // gone by the time static objects are.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    static QTemporaryDir* tree = new QTemporaryDir;
    Q_UNUSED(app);
    QDir::setCurrent(tree->path());
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QDir().mkpath(QStringLiteral("image/face"));
    QDir().mkpath(QStringLiteral("image/gift"));
    for (const char* path : {"image/face/12.png", "image/face/a.png", "image/gift/5.png",
                             "image/gift/7.gif", "image/gift/rose.jpg"})
        picture.save(QString::fromLatin1(path), "PNG");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A received text is at most the record's 1024-byte field.
    if (size > 1024)
        return 0;
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QStringList lines = KivIMMainDlg::PlainToHtml(text);
    if (lines.size() != text.count(QLatin1Char('\n')) + 1)
        Fail("lines lost or added", text);
    for (const QString& line : lines)
        CheckLine(line);
    if (!qEnvironmentVariableIsSet("KIV_FUZZ_NO_DOCUMENT"))
        CheckDocument(lines);
    return 0;
}
