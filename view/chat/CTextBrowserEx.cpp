#include "chat/CTextBrowserEx.h"

#include <QTextCursor>
#include <QUrl>

#include "chat/KivChatLink.h"
#include "chat/KivChatTextDocument.h"

CTextBrowserEx::CTextBrowserEx(QWidget* parent) : QTextBrowser(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFrameShape(QFrame::NoFrame);
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    setPalette(clear);
    viewport()->setAutoFillBackground(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CTextBrowserEx::anchorClickedSlot);
}

void CTextBrowserEx::AppendLines(const QStringList& htmlLines) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    bool first = document()->isEmpty();
    for (const QString& line : htmlLines) {
        if (!first)
            cursor.insertBlock();
        first = false;
        cursor.insertHtml(line);
    }
}

void CTextBrowserEx::anchorClickedSlot(const QUrl& link) {
    if (link.scheme() == QLatin1String(kActionScheme)) {
        emit ActionClicked(link.path());
        return;
    }
    KivChatLink::Open(link);
}

QVariant CTextBrowserEx::loadResource(int type, const QUrl& name) {
    return KivChatTextDocument::LoadPicture(type, name);
}
