#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

// Picture files the picture tests feed the decoders.

// A picture of `size` encoded in `format` ("PNG", "JPG", ...).
inline QByteArray KivEncodedPicture(QSize size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline quint32 KivCrc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small PNG whose header claims 30000 x 30000 pixels (3.6 GB once decoded).
inline QByteArray KivBombPng() {
    QByteArray png = KivEncodedPicture(QSize(8, 8), "PNG");
    // Signature (8), chunk length (4), "IHDR" at 12, width at 16, height at 20, CRC at 29.
    // Byte by byte: the compiler cannot tell the buffer is long enough for a
    // word written through its pointer, and says so under the sanitizers.
    const auto put = [&png](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = char(value >> (24 - 8 * i));
    };
    if (png.size() < 33)
        return png;
    put(16, 30000);
    put(20, 30000);
    put(29, KivCrc32(png.mid(12, 17)));
    return png;
}
