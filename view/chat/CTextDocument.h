#pragma once

#include <QSize>

#include "chat/CTextBrowserEx.h"

// The rich-text body of a chat bubble. It sizes itself to its content: as
// wide as its widest line plus the bubble's padding, at most kMaxWidth, and
// as high as the wrapped text. It measures only while its relayout flag is
// set, so painting a bubble again costs no measuring.
class CTextDocument : public CTextBrowserEx {
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 400;
    // The pointer side (28) and the other side (10) of the bubble's padding,
    // plus the document's own margin on both sides (4 + 4).
    static constexpr int kHorizontalPadding = 28 + 10 + 8;
    static constexpr int kVerticalPadding = 20;

    CTextDocument(QWidget* parent, bool own);

    void AppendLines(const QStringList& htmlLines);
    // The size the body takes for its content.
    QSize MeasuredSize() const;
    // The widest paragraph: its text widths plus its image widths, and 2 more
    // when it holds an image.
    int WidestBlock() const;

    bool NeedsRelayout() const { return m_bRelayout; }
    void SetRelayout(bool on) { m_bRelayout = on; }

signals:
    // Painting found the relayout flag set: the owner measures and places.
    void RelayoutRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bRelayout = true;
};
