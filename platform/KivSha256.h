#pragma once

#include <QByteArray>
#include <memory>

// The SHA-256 of a stream of bytes, worked out with the processor's own
// instructions where it has them (several times faster than a portable
// implementation, which would bound the speed of a download).
class KivSha256 {
public:
    KivSha256();
    ~KivSha256();
    KivSha256(const KivSha256&) = delete;
    KivSha256& operator=(const KivSha256&) = delete;

    void Reset();
    void Add(const char* data, qint64 size);
    void Add(const QByteArray& bytes) { Add(bytes.constData(), bytes.size()); }
    // The hash of what was added, as 64 lower-case hex digits; the stream
    // starts again after it.
    QByteArray HexResult();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};
