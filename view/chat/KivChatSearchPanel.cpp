#include "chat/KivChatSearchPanel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "KivChatHistory.h"
#include "chat/KivChatSearchHitDelegate.h"
#include "chat/KivChatSearcher.h"
#include "chat/KivChatTimeText.h"

namespace {

// The field waits this long after a key before it searches.
constexpr int kTypingPauseMs = 150;
constexpr int kProgressPollMs = 1000;

}  // namespace

KivChatSearchPanel::KivChatSearchPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chatSearchPanel"));
    m_pField = new QLineEdit(this);
    m_pField->setObjectName(QStringLiteral("chatSearchField"));
    m_pField->setPlaceholderText(tr("搜索聊天记录"));
    m_pField->setAccessibleName(tr("搜索聊天记录"));
    m_pField->setAccessibleDescription(tr("回车到下一条结果，Shift+回车到上一条，Esc 清除"));
    m_pField->setClearButtonEnabled(true);
    m_pField->installEventFilter(this);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("chatSearchStatus"));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->hide();
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("chatSearchHits"));
    m_pList->setAccessibleName(tr("搜索结果"));
    m_pList->setItemDelegate(new KivChatSearchHitDelegate(m_pList));
    m_pList->setUniformItemSizes(true);
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pList->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_pField);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pList, 1);

    m_pDelay = new QTimer(this);
    m_pDelay->setSingleShot(true);
    m_pDelay->setInterval(kTypingPauseMs);
    m_pProgress = new QTimer(this);
    m_pProgress->setInterval(kProgressPollMs);
    connect(m_pField, &QLineEdit::textChanged, m_pDelay, qOverload<>(&QTimer::start));
    connect(m_pDelay, &QTimer::timeout, this, &KivChatSearchPanel::Start);
    connect(m_pProgress, &QTimer::timeout, this, &KivChatSearchPanel::ShowStatus);
    connect(m_pList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { GoTo(m_pList->row(item)); });
}

KivChatSearchPanel::~KivChatSearchPanel() = default;

void KivChatSearchPanel::SetScope(CKivChatSearchIndex::Scope scope, Namer namer) {
    const bool changed = scope.uidA != m_scope.uidA || scope.uidB != m_scope.uidB;
    m_scope = scope;
    m_namer = std::move(namer);
    if (changed && HasQuery())
        Start();
}

void KivChatSearchPanel::SetQuery(const QString& query) {
    m_pField->setText(query);
    m_pDelay->stop();
    Start();
}

QString KivChatSearchPanel::Query() const {
    return m_pField->text();
}

QVector<KivChatSearchHit> KivChatSearchPanel::Hits() const {
    QVector<KivChatSearchHit> hits;
    for (int row = 0; row < m_pList->count(); ++row)
        hits.append(m_pList->item(row)->data(HitRole).value<KivChatSearchHit>());
    return hits;
}

int KivChatSearchPanel::CurrentHit() const {
    return m_pList->currentRow();
}

void KivChatSearchPanel::GoTo(int row) {
    if (row < 0 || row >= m_pList->count())
        return;
    m_pList->setCurrentRow(row);
    m_pList->scrollToItem(m_pList->item(row));
    emit HitActivated(m_pList->item(row)->data(HitRole).value<KivChatSearchHit>());
}

void KivChatSearchPanel::Start() {
    m_pList->clear();
    m_goToFirst = false;
    const bool present = HasQuery();
    m_finished = !present;
    // The search thread starts with the first search.
    if (!m_pSearcher && present) {
        m_pSearcher = new KivChatSearcher(this);
        connect(m_pSearcher, &KivChatSearcher::Found, this, &KivChatSearchPanel::TakeHits);
    }
    if (m_pSearcher)
        m_number = m_pSearcher->Search(Query(), m_scope);
    m_pList->setVisible(present);
    if (present != m_hadQuery) {
        m_hadQuery = present;
        emit QueryPresenceChanged(present);
    }
    ShowStatus();
}

void KivChatSearchPanel::TakeHits(int number, const QVector<KivChatSearchHit>& hits, bool done) {
    // What an older search found after a newer one started is dropped.
    if (number != m_number)
        return;
    for (const KivChatSearchHit& hit : hits) {
        auto* item = new QListWidgetItem(m_pList);
        item->setData(HitRole, QVariant::fromValue(hit));
        item->setData(SenderRole, m_namer ? m_namer(hit.sender) : QString::number(hit.sender));
        // Read aloud and shown as a tip: the message's text, plain.
        item->setToolTip(hit.plain.left(200).toHtmlEscaped());
        item->setData(Qt::AccessibleTextRole,
                      KivChatTimeText::Stamp(hit.time) + QLatin1Char(' ') + hit.plain.left(200));
    }
    if (m_goToFirst && m_pList->count() > 0) {
        m_goToFirst = false;
        GoTo(0);
    }
    if (done) {
        m_finished = true;
        ShowStatus();
        emit SearchFinished();
    }
}

void KivChatSearchPanel::ShowStatus() {
    if (!HasQuery()) {
        m_pStatus->hide();
        m_pProgress->stop();
        return;
    }
    QString text;
    if (!m_finished) {
        text = tr("正在查找…");
    } else if (m_pList->count() == 0) {
        text = tr("没有找到相关的聊天记录");
    } else if (m_pList->count() >= KivChatSearcher::kMaxHits) {
        // The list stops at its cap; older hits need a longer query.
        text = tr("找到 %1 条以上聊天记录，请输入更多文字缩小范围").arg(KivChatSearcher::kMaxHits);
    } else {
        text = tr("找到 %n 条聊天记录", nullptr, m_pList->count());
    }
    // While the index is built its share shows; the rest is searched directly.
    CKivChatSearchIndex::Coverage coverage;
    if (KivChatHistory().IndexCoverage(&coverage) && !coverage.complete() && coverage.high > 0) {
        const qint64 indexed = coverage.high - coverage.low + 1;
        text += tr("（正在建立搜索索引 %1%）").arg(indexed * 100 / coverage.high);
        m_pProgress->start();
    } else {
        m_pProgress->stop();
    }
    m_pStatus->setText(text);
    m_pStatus->show();
}

bool KivChatSearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pField && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // A search still waiting for the pause starts now.
            if (m_pDelay->isActive()) {
                m_pDelay->stop();
                Start();
            }
            const int current = m_pList->currentRow();
            const bool back = key->modifiers() & Qt::ShiftModifier;
            if (m_pList->count() == 0) {
                m_goToFirst = HasQuery();
            } else {
                GoTo(current < 0 ? 0 : current + (back ? -1 : 1));
            }
            return true;
        }
        if (key->key() == Qt::Key_Escape && HasQuery()) {
            m_pField->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
