#pragma once

#include <QUrl>

// Addresses in chat texts come from other people: only web pages are ever
// handed to the desktop, never files, scripts or other schemes.
class KivChatLink {
public:
    // The web address to open for a clicked link (a bare "www." address as
    // http), or an invalid URL when the link must not be opened.
    static QUrl WebUrl(const QUrl& link);
    // Opens the link in the desktop's browser when it is a web address.
    static bool Open(const QUrl& link);
};
