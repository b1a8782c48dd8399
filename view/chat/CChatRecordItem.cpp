#include "chat/CChatRecordItem.h"

#include <QPainter>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidgetItem>
#include <QPixmap>
#include <QTextDocument>

#include "chat/CTextBrowserEx.h"
#include "chat/KivChatTextDocument.h"
#include "support/KivPlainText.h"

namespace {

constexpr int kLeft = 12;
constexpr int kBodyTop = 22;

}  // namespace

CChatRecordItem::CChatRecordItem(QWidget* parent, Kind kind) : QWidget(parent), m_kind(kind) {
    if (kind == DateLine) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(kLeft, 0, kLeft, 0);
        layout->setSpacing(8);
        auto line = [this](const char* picture) {
            auto* label = new QLabel(this);
            label->setPixmap(QPixmap(QLatin1String(picture)));
            label->setScaledContents(true);
            label->setFixedHeight(9);
            label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            return label;
        };
        m_pLineLeft = line("Resources/skin/CKivImChatRecordDlg/dataitimeLineL.png");
        m_pDate = new QLabel(this);
        m_pDate->setObjectName(QStringLiteral("labelDate"));
        m_pLineRight = line("Resources/skin/CKivImChatRecordDlg/dataitimeLineR.png");
        layout->addWidget(m_pLineLeft, 1);
        layout->addWidget(m_pDate, 0);
        layout->addWidget(m_pLineRight, 1);
        return;
    }
    // Own names and times in red, the friend's in blue.
    const QString color =
        kind == OwnMessage ? QStringLiteral("color:#A53535;") : QStringLiteral("color:#006EFE;");
    m_pName = new QLabel(this);
    m_pName->setObjectName(QStringLiteral("labelName"));
    m_pName->setStyleSheet(color);
    m_pName->move(kLeft, 4);
    m_pTime = new QLabel(this);
    m_pTime->setObjectName(QStringLiteral("labelTime"));
    m_pTime->setStyleSheet(color);
    m_pBody = NewBody(this);
    m_pBody->move(kLeft, kBodyTop);
    m_pBlank = new KivChatTextDocument(this);
}

CTextBrowserEx* CChatRecordItem::NewBody(QWidget* parent) {
    auto* body = new CTextBrowserEx(parent);
    // padding 10, top 3, bottom 0, as margins around the text.
    body->SetPadding(10, 3, 10, 0);
    body->setLineWrapMode(QTextEdit::FixedPixelWidth);
    body->setLineWrapColumnOrWidth(kTextWidth);
    return body;
}

int CChatRecordItem::RowHeightFor(qreal documentHeight) {
    return kBodyTop + int(documentHeight + 0.999) + 3 + 5;
}

void CChatRecordItem::SetDate(const QString& date) {
    if (m_pDate)
        m_pDate->setText(date);
}

void CChatRecordItem::SetMessage(KivChatTextDocument* text, const QString& name,
                                 const QString& time) {
    if (!m_pBody)
        return;
    if (m_pName->text() != name) {
        KivPlainText::Show(m_pName, name);
        m_pName->adjustSize();
    }
    if (m_pTime->text() != time) {
        m_pTime->setText(time);
        m_pTime->adjustSize();
    }
    m_pBody->setDocument(text);
    Measure();
}

void CChatRecordItem::Release() {
    m_pRow = nullptr;
    if (m_pBody)
        m_pBody->setDocument(m_pBlank);
}

QString CChatRecordItem::Name() const {
    return m_pName ? m_pName->text() : QString();
}

QString CChatRecordItem::Time() const {
    return m_pTime ? m_pTime->text() : QString();
}

QString CChatRecordItem::Date() const {
    return m_pDate ? m_pDate->text() : QString();
}

void CChatRecordItem::Measure() {
    const int height = int(m_pBody->document()->size().height() + 0.999) + 3;
    m_pBody->resize(kBodyWidth, height);
    if (m_pRow)
        m_pRow->setSizeHint(QSize(0, RowHeightFor(m_pBody->document()->size().height())));
    m_bMeasure = false;
}

void CChatRecordItem::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_pName && m_pTime) {
        const QFontMetrics metrics(m_pName->font());
        m_pTime->move(kLeft + metrics.horizontalAdvance(m_pName->text()) + 8,
                      m_pName->y() + (m_pName->height() - m_pTime->height()) / 2);
        m_bMeasure = true;
    }
}

void CChatRecordItem::SetMarked(bool marked) {
    if (marked == m_bMarked)
        return;
    m_bMarked = marked;
    update();
}

void CChatRecordItem::paintEvent(QPaintEvent* event) {
    // Fonts and styles are final once shown: measure the body once more.
    if (m_bMeasure && m_pBody)
        Measure();
    if (m_bMarked) {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(255, 240, 170));
    }
    QWidget::paintEvent(event);
}
