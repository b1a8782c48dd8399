#pragma once

#include <unistd.h>

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdio>

// Catches what the process writes to standard error (file descriptor 2)
// while it lives, as libraries write there past any Qt message handler.
class CStderrCatcher {
public:
    CStderrCatcher() {
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_saved = ::dup(2);
        if (m_file != nullptr && m_saved >= 0) {
            ::dup2(::fileno(m_file), 2);
        }
        m_clock.start();
    }
    ~CStderrCatcher() { Stop(); }
    CStderrCatcher(const CStderrCatcher&) = delete;
    CStderrCatcher& operator=(const CStderrCatcher&) = delete;

    // Ends catching: the lines written, and the milliseconds it took.
    QStringList Stop() {
        if (m_saved >= 0) {
            std::fflush(stderr);
            m_elapsed = m_clock.elapsed();
            ::dup2(m_saved, 2);
            ::close(m_saved);
            m_saved = -1;
            std::rewind(m_file);
            QByteArray text;
            char buffer[4096];
            size_t got;
            while ((got = std::fread(buffer, 1, sizeof(buffer), m_file)) > 0) {
                text.append(buffer, int(got));
            }
            std::fclose(m_file);
            m_file = nullptr;
            m_lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        return m_lines;
    }
    qint64 ElapsedMs() const { return m_elapsed; }
    // Lines libav* wrote ("[codec @ 0x...] ...").
    int CodecLines() const {
        int count = 0;
        for (const QString& line : m_lines) {
            count += line.contains(QLatin1String(" @ 0x")) ? 1 : 0;
        }
        return count;
    }

private:
    std::FILE* m_file = nullptr;
    int m_saved = -1;
    QElapsedTimer m_clock;
    qint64 m_elapsed = 0;
    QStringList m_lines;
};
