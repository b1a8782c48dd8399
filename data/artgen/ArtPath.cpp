#include "ArtPath.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <cstdlib>

namespace {

// Reads the numbers that follow a command letter. The texts are constants of
// this program, so a malformed one is a bug and stops the generator.
QList<qreal> numbers(const QByteArray& text, int& pos, int count) {
    QList<qreal> out;
    while (out.size() < count) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == ','))
            ++pos;
        const char* start = text.constData() + pos;
        char* end = nullptr;
        const double value = std::strtod(start, &end);
        if (end == start)
            qFatal("path: number expected in \"%s\"", text.constData());
        out.append(value);
        pos += static_cast<int>(end - start);
    }
    return out;
}

}  // namespace

QPainterPath ArtPath::parse(const char* text) {
    const QByteArray data(text);
    QPainterPath path;
    int pos = 0;
    while (pos < data.size()) {
        const char command = data[pos++];
        switch (command) {
            case ' ':
            case ',':
                break;
            case 'M': {
                const QList<qreal> n = numbers(data, pos, 2);
                path.moveTo(n[0], n[1]);
                break;
            }
            case 'L': {
                const QList<qreal> n = numbers(data, pos, 2);
                path.lineTo(n[0], n[1]);
                break;
            }
            case 'H':
                path.lineTo(numbers(data, pos, 1)[0], path.currentPosition().y());
                break;
            case 'V':
                path.lineTo(path.currentPosition().x(), numbers(data, pos, 1)[0]);
                break;
            case 'C': {
                const QList<qreal> n = numbers(data, pos, 6);
                path.cubicTo(n[0], n[1], n[2], n[3], n[4], n[5]);
                break;
            }
            case 'Q': {
                const QList<qreal> n = numbers(data, pos, 4);
                path.quadTo(n[0], n[1], n[2], n[3]);
                break;
            }
            case 'Z':
                path.closeSubpath();
                break;
            default:
                qFatal("path: unknown command in \"%s\"", text);
        }
    }
    return path;
}
