#include "chat/KivChatSearchHitDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include "chat/KivChatSearchHit.h"
#include "chat/KivChatSearchPanel.h"
#include "chat/KivChatTimeText.h"

namespace {

constexpr int kMargin = 6;
// Characters shown before the first hit, so it is seen in its context.
constexpr int kLead = 8;

}  // namespace

QString KivChatSearchHitDelegate::Excerpt(const QString& plain, QVector<QPair<int, int>>* spans) {
    const int first = spans->isEmpty() ? 0 : spans->first().first;
    const int from = qMax(0, first - kLead);
    QString shown = plain.mid(from);
    // Pictures and line breaks are not text: a space each.
    shown.replace(QChar(QChar::ObjectReplacementCharacter), QLatin1Char(' '));
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (from > 0)
        shown.prepend(QChar(0x2026));
    const int shift = from > 0 ? 1 - from : 0;
    for (QPair<int, int>& span : *spans)
        span.first += shift;
    return shown;
}

void KivChatSearchHitDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);

    const KivChatSearchHit hit = index.data(KivChatSearchPanel::HitRole).value<KivChatSearchHit>();
    const QString sender = index.data(KivChatSearchPanel::SenderRole).toString();
    const QRect area = option.rect.adjusted(kMargin, 2, -kMargin, -2);
    const int line = option.fontMetrics.height();
    painter->save();
    painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(QRect(area.left(), area.top(), area.width(), line), Qt::AlignLeft,
                      option.fontMetrics.elidedText(
                          KivChatTimeText::Stamp(hit.time) + QLatin1String("  ") + sender,
                          Qt::ElideRight, area.width()));

    QVector<QPair<int, int>> spans = hit.spans;
    const QString shown = Excerpt(hit.plain, &spans);
    QVector<QTextLayout::FormatRange> formats;
    for (const QPair<int, int>& span : qAsConst(spans)) {
        QTextLayout::FormatRange range;
        range.start = span.first;
        range.length = span.second;
        range.format.setBackground(QColor(255, 220, 90));
        range.format.setFontWeight(QFont::Bold);
        formats.append(range);
    }
    QTextLayout layout(shown, option.font);
    QTextOption text;
    text.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(text);
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid())
        first.setLineWidth(area.width());
    layout.endLayout();
    painter->setPen(option.palette.color(QPalette::Text));
    painter->setClipRect(area);
    layout.draw(painter, QPointF(area.left(), area.top() + line + 2));
    painter->restore();
}

QSize KivChatSearchHitDelegate::sizeHint(const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    return QSize(option.rect.width(), 2 * option.fontMetrics.height() + 8);
}
