#include "ArtCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

void ArtCatalog::add(const QString& path, const QSize& size, Draw draw) {
    m_entries.push_back({path, size, 0.0, std::move(draw)});
    m_files += 2;
}

void ArtCatalog::addSingle(const QString& path, const QSize& size, qreal scale, Draw draw) {
    m_entries.push_back({path, size, scale, std::move(draw)});
    m_files += 1;
}

int ArtCatalog::fileCount() const {
    return m_files;
}

QString ArtCatalog::hiDpiName(const QString& path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

bool ArtCatalog::writeAll(const QString& root, QString* error) const {
    const QDir base(root);
    for (const Entry& entry : m_entries) {
        const QString folder = QFileInfo(base.filePath(entry.path)).absolutePath();
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("cannot create ") + folder;
            return false;
        }
    }
    // Pictures are independent: draw them on every core. Each file's bytes
    // depend only on its own entry, so the order does not matter.
    std::atomic<size_t> next{0};
    std::mutex failureLock;
    QString failure;
    auto work = [&] {
        for (size_t i = next++; i < m_entries.size(); i = next++) {
            const Entry& entry = m_entries[i];
            const QString file = base.filePath(entry.path);
            QString message;
            const bool ok = entry.scale > 0.0 ? render(file, entry, entry.scale, &message)
                                              : render(file, entry, 1.0, &message) &&
                                                    render(hiDpiName(file), entry, 2.0, &message);
            if (!ok) {
                std::lock_guard<std::mutex> lock(failureLock);
                failure = message;
                next = m_entries.size();
            }
        }
    };
    const unsigned helpers = std::max(1u, std::thread::hardware_concurrency()) - 1;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < helpers; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    return true;
}

bool ArtCatalog::render(const QString& file, const Entry& entry, qreal scale, QString* error) {
    const QSize pixels(qRound(entry.size.width() * scale), qRound(entry.size.height() * scale));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.scale(scale, scale);
        entry.draw(painter, QSizeF(entry.size));
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
        *error = QStringLiteral("cannot write ") + file;
        return false;
    }
    return true;
}
