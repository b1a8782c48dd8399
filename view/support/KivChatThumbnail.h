#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QString>

// The small picture a chat shows for a downloaded picture file. The file is
// decoded only as the PNG, JPEG or GIF its first bytes say, within the size
// and pixel caps, whatever its name claims.
class KivChatThumbnail {
    Q_DECLARE_TR_FUNCTIONS(KivChatThumbnail)

public:
    static constexpr int kMaxSide = 240;

    // The picture at `path` fitted into maxSide x maxSide, keeping its
    // aspect (never enlarged); a null image and the reason in `error` when
    // the file is refused.
    static QImage Make(const QString& path, QString* error, int maxSide = kMaxSide);
};
