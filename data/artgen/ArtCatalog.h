#pragma once

#include <QPainter>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

// Collects every picture of the data tree with the code that draws it, then
// renders them. Drawing code works in logical pixels; the catalog scales the
// painter, so the @2x file is drawn at twice the resolution, not enlarged.
class ArtCatalog {
public:
    using Draw = std::function<void(QPainter&, const QSizeF&)>;

    // `path` relative to the data root; writes path and path@2x.
    void add(const QString& path, const QSize& size, Draw draw);
    // A picture in a folder the client lists file by file (heads, faces,
    // gifts): one file only, drawn at `scale` times its logical size.
    void addSingle(const QString& path, const QSize& size, qreal scale, Draw draw);

    // Writes every picture below `root`; false with `error` set on the first failure.
    bool writeAll(const QString& root, QString* error) const;
    int fileCount() const;

    static QString hiDpiName(const QString& path);

private:
    struct Entry {
        QString path;
        QSize size;
        qreal scale;
        Draw draw;
    };
    static bool render(const QString& file, const Entry& entry, qreal scale, QString* error);

    std::vector<Entry> m_entries;
    int m_files = 0;
};
