#include "shell/KivMessageNotices.h"

#include <QHash>
#include <QUrl>

#include "KivDesktopNotifier.h"
#include "chat/KivChatText.h"

namespace {

const QLatin1String kChatPrefix("chat/");
const QLatin1String kRequestPrefix("request/");

QString ChatKey(quint32 uid) {
    return kChatPrefix + QString::number(uid);
}

QString RequestKey(quint32 uid) {
    return kRequestPrefix + QString::number(uid);
}

QString IconFor(const QString& head) {
    return head.isEmpty() ? QStringLiteral("kivim") : QUrl::fromLocalFile(head).toString();
}

}  // namespace

KivMessageNotices::KivMessageNotices(QObject* parent, std::function<Who(quint32)> who,
                                     std::function<bool(quint32)> inFront,
                                     std::function<bool()> enabled)
    : QObject(parent),
      m_pNotifier(new KivDesktopNotifier(this)),
      m_who(std::move(who)),
      m_inFront(std::move(inFront)),
      m_enabled(std::move(enabled)) {
    connect(m_pNotifier, &KivDesktopNotifier::Clicked, this, [this](const QString& key) {
        bool ok = false;
        if (key.startsWith(kChatPrefix)) {
            const quint32 uid = key.mid(kChatPrefix.size()).toUInt(&ok);
            if (ok)
                emit ChatClicked(uid);
        } else if (key.startsWith(kRequestPrefix)) {
            const quint32 uid = key.mid(kRequestPrefix.size()).toUInt(&ok);
            if (ok)
                emit RequestClicked(uid);
        }
    });
}

void KivMessageNotices::Received(const QVector<KivChatQueries::Received>& rows) {
    // Newest last: a sender's notice shows the newest of its texts.
    QVector<quint32> order;
    QHash<quint32, QString> newest;
    for (const KivChatQueries::Received& row : rows) {
        if (!newest.contains(row.sender))
            order.append(row.sender);
        newest.insert(row.sender, row.text);
    }
    for (quint32 uid : std::as_const(order))
        Message(uid, newest.value(uid));
}

void KivMessageNotices::Message(quint32 uid, const QString& text) {
    if (!m_enabled() || m_inFront(uid))
        return;
    const Who who = m_who(uid);
    m_pNotifier->Show(ChatKey(uid), who.name, FirstLine(KivChatText::Summary(text)),
                      IconFor(who.head));
}

void KivMessageNotices::Request(quint32 uid, const QString& text) {
    if (!m_enabled())
        return;
    const Who who = m_who(uid);
    const QString line = FirstLine(text);
    const QString body =
        line.isEmpty() ? tr("请求添加您为好友") : tr("请求添加您为好友：%1").arg(line);
    m_pNotifier->Show(RequestKey(uid), who.name, body, IconFor(who.head));
}

void KivMessageNotices::Withdraw(quint32 uid) {
    m_pNotifier->Withdraw(ChatKey(uid));
}

void KivMessageNotices::WithdrawRequest(quint32 uid) {
    m_pNotifier->Withdraw(RequestKey(uid));
}

bool KivMessageNotices::IsShown(quint32 uid) const {
    return m_pNotifier->IsShown(ChatKey(uid));
}

QString KivMessageNotices::FirstLine(const QString& text) {
    QString line;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) ||
            c == QChar(0x2029)) {
            if (!line.trimmed().isEmpty())
                break;
            line.clear();
            continue;
        }
        // Other control characters would show as boxes or move the text.
        if (c.category() == QChar::Other_Control)
            continue;
        line.append(c);
    }
    line = line.trimmed();
    if (line.size() > kMaxBody) {
        int cut = kMaxBody - 1;
        // Never between the halves of a character outside the basic plane.
        if (line.at(cut - 1).isHighSurrogate())
            --cut;
        line = line.left(cut) + QChar(0x2026);
    }
    return line;
}
