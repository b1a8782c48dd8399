#include "chat/KivAttachmentCards.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QUrl>
#include <initializer_list>
#include <utility>

#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/KivTransfers.h"
#include "support/KivChatThumbnail.h"
#include "support/KivFileDownload.h"
#include "support/KivSafeImage.h"

namespace {

QString Link(const QString& action, const QString& label) {
    return QStringLiteral("<a href=\"kivaction:%1\">%2</a>").arg(action, label);
}

// The links under a card, "id:label|id:label" (Paint cuts them apart). A
// label never holds the separators, whatever the language.
QString Actions(std::initializer_list<std::pair<const char*, QString>> links) {
    QStringList parts;
    for (const auto& [id, label] : links) {
        QString shown = label;
        shown.remove(QLatin1Char('|')).remove(QLatin1Char(':'));
        parts << QLatin1String(id) + QLatin1Char(':') + shown;
    }
    return parts.join(QLatin1Char('|'));
}

// Shows a received picture at full size, as far as the screen allows.
void OpenPicture(const QString& path, QWidget* near) {
    QString error;
    const QImage picture = KivSafeImage::Load(path, &error, KivSafeImage::Kinds::ChatPictures);
    if (picture.isNull())
        return;
    auto* view = new QScrollArea;
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(QFileInfo(path).fileName());
    auto* label = new QLabel(view);
    label->setPixmap(QPixmap::fromImage(picture));
    label->setAccessibleName(QFileInfo(path).fileName());
    view->setWidget(label);
    view->resize(picture.size().boundedTo(QSize(1200, 900)) + QSize(4, 4));
    if (near)
        view->move(near->window()->geometry().center() - view->rect().center());
    view->show();
}

}  // namespace

QString KivAttachmentCards::SizeText(quint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2")
        .arg(value, 0, 'f', value < 10 ? 1 : 0)
        .arg(QLatin1String(units[unit]));
}

KivAttachmentCards::KivAttachmentCards(CChatHistoryList* history, KivTransfers& transfers,
                                       quint32 friendUid, const QString& pictureFolder,
                                       QObject* parent)
    : QObject(parent),
      m_pHistory(history),
      m_transfers(transfers),
      m_friendUid(friendUid),
      m_pictureFolder(pictureFolder) {
    connect(history, &CChatHistoryList::ActionClicked, this, &KivAttachmentCards::Act);
    connect(&transfers, &KivTransfers::Progress, this,
            [this](qint64 id, quint32, quint64 sent, quint64 total) {
                const auto card = m_uploads.find(id);
                if (card != m_uploads.end())
                    Progressed(card->second, sent, total, tr("正在发送"));
            });
    connect(&transfers, &KivTransfers::Failed, this,
            [this](qint64 id, quint32, const QString& reason, bool final) {
                const auto card = m_uploads.find(id);
                if (card == m_uploads.end())
                    return;
                card->second.status = tr("发送失败：%1").arg(reason);
                card->second.actions =
                    final ? Actions({{"remove", tr("移除")}})
                          : Actions({{"retry", tr("重试")}, {"cancel", tr("取消")}});
                Paint(card->second);
            });
    connect(&transfers, &KivTransfers::Announced, this, [this](qint64 id) {
        const auto card = m_uploads.find(id);
        if (card == m_uploads.end())
            return;
        card->second.status = tr("已发送");
        card->second.actions.clear();
        Paint(card->second);
    });
    connect(&transfers, &KivTransfers::Gone, this, [this](qint64 id) {
        const auto card = m_uploads.find(id);
        if (card == m_uploads.end())
            return;
        card->second.status = tr("已取消");
        card->second.actions.clear();
        Paint(card->second);
    });
}

void KivAttachmentCards::ShowUpload(qint64 id, const QString& name, quint64 size,
                                    const QString& path) {
    if (m_uploads.count(id) != 0)
        return;
    Card& card = m_uploads[id];
    card.own = true;
    card.attachment.name = name;
    card.attachment.size = size;
    card.localPath = path;
    if (card.attachment.IsPicture()) {
        QString error;
        card.thumbnail = KivChatThumbnail::Make(path, &error);
    }
    card.status = tr("等待发送");
    card.actions = Actions({{"cancel", tr("取消")}});
    card.clock.start();
    card.item = m_pHistory->addCard({}, tr("发送文件 %1").arg(name), true);
    Paint(card);
}

void KivAttachmentCards::ShowReceived(const KivAttachment& attachment) {
    m_received.emplace_back();
    Card& card = m_received.back();
    card.attachment = attachment;
    card.item = m_pHistory->addCard({}, tr("收到文件 %1").arg(attachment.ShownName()), false);
    if (attachment.IsPicture() &&
        attachment.size <= quint64(KivFileDownload::kPictureAutoFetchBytes)) {
        // Pictures come by themselves, into the account's own folder.
        card.status = tr("正在接收图片…");
        Fetch(card, m_pictureFolder);
    } else {
        card.actions = Actions({{"receive", tr("接收")}, {"saveas", tr("另存为")}});
    }
    Paint(card);
}

CChatItem* KivAttachmentCards::UploadCard(qint64 id) const {
    const auto card = m_uploads.find(id);
    return card == m_uploads.end() ? nullptr : card->second.item.data();
}

CChatItem* KivAttachmentCards::ReceivedCard(const QString& fileId) const {
    for (auto it = m_received.rbegin(); it != m_received.rend(); ++it) {
        if (it->attachment.id == fileId)
            return it->item.data();
    }
    return nullptr;
}

void KivAttachmentCards::Paint(Card& card) {
    if (!card.item)
        return;
    QStringList lines;
    if (!card.thumbnail.isNull()) {
        const QString picture =
            QStringLiteral("<img src=\"kivpicture:shown\" width=\"%1\" height=\"%2\"/>")
                .arg(card.thumbnail.width())
                .arg(card.thumbnail.height());
        // A received picture opens at full size when clicked.
        lines << (card.own || card.localPath.isEmpty() ? picture
                                                       : Link(QStringLiteral("open"), picture));
    }
    lines << QStringLiteral("<b>%1</b>　%2")
                 .arg(card.attachment.ShownName().toHtmlEscaped(), SizeText(card.attachment.size));
    QString status = card.status.toHtmlEscaped();
    for (const QString& action : card.actions.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        status += QStringLiteral("　") +
                  Link(action.section(QLatin1Char(':'), 0, 0), action.section(QLatin1Char(':'), 1));
    lines << status;
    card.item->ReplaceContent(lines, card.thumbnail);
}

void KivAttachmentCards::Progressed(Card& card, quint64 done, quint64 total, const QString& verb) {
    if (!card.clock.isValid() || done < card.doneAtStart) {
        card.clock.start();
        card.doneAtStart = done;
    }
    const qint64 ms = card.clock.elapsed();
    const double perSecond = ms > 300 ? double(done - card.doneAtStart) * 1000.0 / double(ms) : 0;
    QString status = QStringLiteral("%1 %2 / %3").arg(verb, SizeText(done), SizeText(total));
    if (perSecond > 0) {
        const qint64 left = qint64(double(total - qMin(done, total)) / perSecond);
        status += tr("　%1/秒　剩余 %2 秒").arg(SizeText(quint64(perSecond))).arg(left);
    }
    card.done = done;
    card.status = status;
    card.actions = Actions({{"cancel", tr("取消")}});
    Paint(card);
}

void KivAttachmentCards::Fetch(Card& card, const QString& folder) {
    if (!card.download) {
        card.download = m_transfers.Receive(card.attachment, folder);
        KivFileDownload* download = card.download;
        Card* at = &card;
        connect(download, &KivFileDownload::Progress, this, [this, at](qint64 got, qint64 total) {
            Progressed(*at, quint64(got), quint64(total), tr("正在接收"));
        });
        connect(download, &KivFileDownload::Finished, this, [this, at](const QString& path) {
            at->localPath = path;
            at->status = tr("已保存：%1").arg(QDir::toNativeSeparators(path));
            at->actions = Actions({{"folder", tr("打开文件夹")}});
            if (at->attachment.IsPicture() && at->download &&
                QFileInfo(path).absolutePath() == QFileInfo(m_pictureFolder).absoluteFilePath()) {
                QString error;
                at->thumbnail = KivChatThumbnail::Make(path, &error);
                if (at->thumbnail.isNull()) {
                    // Fetched as a picture without a click: what is none goes
                    // again; the user may still take it as a file.
                    QFile::remove(path);
                    at->localPath.clear();
                    at->download = nullptr;
                    at->status = tr("无法显示这张图片：%1").arg(error);
                    at->actions = Actions({{"receive", tr("作为文件接收")}});
                } else {
                    at->status.clear();
                }
            }
            Paint(*at);
        });
        connect(download, &KivFileDownload::Failed, this, [this, at](const QString& reason) {
            at->status = tr("接收失败：%1").arg(reason);
            at->actions = Actions({{"receive", tr("重试")}, {"saveas", tr("另存为")}});
            Paint(*at);
        });
    }
    card.download->Start();
}

KivAttachmentCards::Card* KivAttachmentCards::CardOf(CChatItem* item) {
    for (auto& [id, card] : m_uploads) {
        if (card.item == item)
            return &card;
    }
    for (Card& card : m_received) {
        if (card.item == item)
            return &card;
    }
    return nullptr;
}

void KivAttachmentCards::Act(CChatItem* item, const QString& action) {
    Card* card = CardOf(item);
    if (!card)
        return;
    if (card->own) {
        qint64 id = 0;
        for (const auto& [key, value] : m_uploads) {
            if (&value == card)
                id = key;
        }
        if (action == QLatin1String("cancel") || action == QLatin1String("remove")) {
            m_transfers.Cancel(id);
        } else if (action == QLatin1String("retry")) {
            card->status = tr("正在重试…");
            card->actions = Actions({{"cancel", tr("取消")}});
            Paint(*card);
            m_transfers.Retry(id);
        }
        return;
    }
    if (action == QLatin1String("open") && !card->localPath.isEmpty()) {
        OpenPicture(card->localPath, m_pHistory);
    } else if (action == QLatin1String("folder") && !card->localPath.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(card->localPath).absolutePath()));
    } else if (action == QLatin1String("cancel") && card->download) {
        card->download->Cancel();
        card->status = tr("已暂停");
        card->actions = Actions({{"receive", tr("继续")}});
        Paint(*card);
    } else if (action == QLatin1String("receive")) {
        card->status = tr("正在接收…");
        card->actions = Actions({{"cancel", tr("取消")}});
        Paint(*card);
        Fetch(*card, card->download ? QString() : KivFileDownload::DefaultFolder());
    } else if (action == QLatin1String("saveas")) {
        const QString folder = QFileDialog::getExistingDirectory(m_pHistory->window(), tr("保存到"),
                                                                 KivFileDownload::DefaultFolder());
        if (folder.isEmpty())
            return;
        if (card->download) {
            card->download->Cancel();
            card->download = nullptr;
        }
        Fetch(*card, folder);
    }
}
