#include "chat/KivChatLink.h"

#include <QDesktopServices>

QUrl KivChatLink::WebUrl(const QUrl& link) {
    QUrl url = link;
    if (url.scheme().isEmpty()) {
        const QString text = link.toString();
        if (!text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            return QUrl();
        url = QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QUrl();
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    return url;
}

bool KivChatLink::Open(const QUrl& link) {
    const QUrl url = WebUrl(link);
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}
