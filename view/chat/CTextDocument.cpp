#include "chat/CTextDocument.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

CTextDocument::CTextDocument(QWidget* parent, bool own) : CTextBrowserEx(parent) {
    // Wrap at the widest bubble whatever the widget's width, so the text is
    // laid out once and its height is known before the bubble has a size.
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(kMaxWidth - kHorizontalPadding + 8);
    QFont body = font();
    body.setPointSize(12);
    setFont(body);
    document()->setDefaultFont(body);
    // The padding leaves room for the bubble's pointer on the sender's side.
    // Margins instead of a style sheet per bubble: a conversation holds
    // hundreds of bodies.
    if (own) {
        setViewportMargins(28, 10, 10, 10);
    } else {
        setViewportMargins(10, 10, 28, 10);
    }
}

void CTextDocument::AppendLines(const QStringList& htmlLines) {
    CTextBrowserEx::AppendLines(htmlLines);
    m_bRelayout = true;
}

int CTextDocument::WidestBlock() const {
    const QTextDocument* doc = document();
    const QFont base = doc->defaultFont();
    int widest = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        qreal width = 0;
        bool hasImage = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                // One object character per picture in the fragment.
                width += format.toImageFormat().width() * fragment.length();
                hasImage = true;
                continue;
            }
            const QFontMetricsF metrics(format.font().resolve(base));
            width += metrics.horizontalAdvance(fragment.text());
        }
        widest = qMax(widest, int(width + 0.999) + (hasImage ? 2 : 0));
    }
    return widest;
}

QSize CTextDocument::MeasuredSize() const {
    const int height = int(document()->size().height() + 0.999);
    const int width = qMin(WidestBlock() + kHorizontalPadding, kMaxWidth);
    return QSize(width, height + kVerticalPadding);
}

void CTextDocument::paintEvent(QPaintEvent* event) {
    if (m_bRelayout)
        emit RelayoutRequested();
    CTextBrowserEx::paintEvent(event);
}
