#pragma once

#include <QtGlobal>

// What one user may keep on the file server, and for how long.
struct KivDevFileLimits {
    // The largest file, and the largest chunk of one upload request.
    static constexpr qint64 kMaxFileBytes = 4294967296;  // 4 GiB
    static constexpr qint64 kMaxChunkBytes = 4 * 1024 * 1024;

    // Complete files plus the declared sizes of unfinished uploads.
    qint64 quotaBytes = 10240LL * 1024 * 1024;
    // Files and unfinished uploads untouched for this long are removed.
    qint64 lifetimeSeconds = 7LL * 24 * 3600;
};
