#include "chat/KivChatAttachments.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTimer>
#include <QUrl>

#include "KivAttachment.h"
#include "KivScreenGrab.h"
#include "chat/CChatHistoryList.h"
#include "chat/KivAttachmentCards.h"
#include "chat/KivChatInput.h"
#include "chat/KivScreenshotPicker.h"
#include "chat/KivTransfers.h"
#include "support/KivChatThumbnail.h"

namespace {

constexpr int kThumbSide = 96;

// A file that is no picture waits in the input as its icon and name.
QImage FileChip(const QFileInfo& file, const QFont& font) {
    const QString label = QStringLiteral("%1 (%2)").arg(
        file.fileName(), KivAttachmentCards::SizeText(quint64(file.size())));
    const QFontMetrics metrics(font);
    const QString shown = metrics.elidedText(label, Qt::ElideMiddle, 220);
    QImage chip(QSize(28 + metrics.horizontalAdvance(shown) + 8, 28), QImage::Format_ARGB32);
    chip.fill(QColor(238, 242, 248));
    QPainter painter(&chip);
    painter.drawPixmap(4, 4, QFileIconProvider().icon(file).pixmap(20, 20));
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(QRect(28, 0, chip.width() - 28, 28), Qt::AlignVCenter, shown);
    return chip;
}

}  // namespace

KivChatAttachments::KivChatAttachments(QWidget* window, KivChatInput* input,
                                       CChatHistoryList* history)
    : QObject(window), m_pWindow(window), m_pInput(input), m_pHistory(history) {
    connect(input, &KivChatInput::FilesGiven, this, &KivChatAttachments::AddFiles);
    connect(input, &KivChatInput::PictureGiven, this, &KivChatAttachments::AddPicture);
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool KivChatAttachments::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_pWindow)
        return false;
    if (event->type() == QEvent::DragEnter) {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (enter->mimeData()->hasUrls() || enter->mimeData()->hasImage())
            enter->acceptProposedAction();
        return true;
    }
    if (event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    QStringList files;
    for (const QUrl& url : drop->mimeData()->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    if (!files.isEmpty())
        AddFiles(files);
    else if (drop->mimeData()->hasImage())
        AddPicture(qvariant_cast<QImage>(drop->mimeData()->imageData()));
    drop->acceptProposedAction();
    return true;
}

KivChatAttachments::~KivChatAttachments() = default;

void KivChatAttachments::SetTransfers(KivTransfers* transfers, quint32 friendUid,
                                      const QString& pictureFolder) {
    if (m_pTransfers == transfers && m_friendUid == friendUid)
        return;
    delete m_pCards;
    m_pCards = nullptr;
    m_pTransfers = transfers;
    m_friendUid = friendUid;
    if (transfers && friendUid != 0)
        m_pCards = new KivAttachmentCards(m_pHistory, *transfers, friendUid, pictureFolder, this);
}

void KivChatAttachments::Insert(const Held& held, const QImage& thumbnail) {
    const QString key = QString::number(++m_nextKey);
    m_waiting.insert(key, held);
    const QString name = QLatin1String(KivChatText::kAttachmentPrefix) + key;
    m_pInput->document()->addResource(QTextDocument::ImageResource, QUrl(name), thumbnail);
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(thumbnail.width());
    image.setHeight(thumbnail.height());
    m_pInput->textCursor().insertImage(image);
    m_pInput->setFocus();
}

void KivChatAttachments::AddFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) {
            emit Refused(tr("无法读取文件：%1").arg(file.fileName()));
            continue;
        }
        if (quint64(file.size()) > KivAttachment::kMaxSize) {
            emit Refused(tr("文件太大，最大 4 GB：%1").arg(file.fileName()));
            continue;
        }
        QString error;
        const QImage thumbnail = KivChatThumbnail::Make(path, &error, kThumbSide);
        Insert({file.absoluteFilePath(), QImage()},
               thumbnail.isNull() ? FileChip(file, m_pInput->font()) : thumbnail);
    }
}

void KivChatAttachments::AddPicture(const QImage& picture) {
    if (picture.isNull())
        return;
    Insert({QString(), picture}, picture.width() > kThumbSide || picture.height() > kThumbSide
                                     ? picture.scaled(kThumbSide, kThumbSide, Qt::KeepAspectRatio,
                                                      Qt::SmoothTransformation)
                                     : picture);
}

void KivChatAttachments::ChooseFiles() {
    AddFiles(QFileDialog::getOpenFileNames(m_pWindow, tr("选择要发送的图片或文件")));
}

void KivChatAttachments::TakeScreenshot() {
    if (m_pGrab)
        return;
    m_pWindow->hide();
    m_pGrab = new KivScreenGrab(this);
    connect(m_pGrab, &KivScreenGrab::Grabbed, this, &KivChatAttachments::ScreenGrabbed);
    connect(m_pGrab, &KivScreenGrab::Failed, this, [this](const QString& reason) {
        ScreenshotOver();
        emit Refused(tr("截图失败：%1").arg(reason));
    });
    // The window manager needs a moment to take the window off the screen.
    QTimer::singleShot(250, m_pGrab, &KivScreenGrab::Start);
}

void KivChatAttachments::ScreenGrabbed(const QImage& picture, const QRect& screenGeometry) {
    auto* picker = new KivScreenshotPicker(picture);
    connect(picker, &KivScreenshotPicker::Picked, this, [this](const QImage& region) {
        ScreenshotOver();
        AddPicture(region);
    });
    connect(picker, &KivScreenshotPicker::Cancelled, this, &KivChatAttachments::ScreenshotOver);
    picker->Cover(screenGeometry);
}

void KivChatAttachments::ScreenshotOver() {
    // Kept until here, so that no second grab starts while the picker is open.
    if (m_pGrab)
        m_pGrab->deleteLater();
    m_pWindow->show();
    m_pWindow->raise();
    m_pWindow->activateWindow();
}

bool KivChatAttachments::Send(const QVector<KivChatText::Part>& parts,
                              const std::function<bool(const QString&)>& postText) {
    bool sent = false;
    for (const KivChatText::Part& part : parts) {
        if (part.attachment.isEmpty()) {
            // Line breaks that only stood around a picture are no message.
            QString text = part.text;
            while (text.startsWith(QLatin1Char('\n')))
                text.remove(0, 1);
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
            if (text.trimmed().isEmpty())
                continue;
            if (!postText(text))
                return sent;
            sent = true;
            continue;
        }
        const Held waiting = m_waiting.take(part.attachment);
        if (!CanSend() || (waiting.path.isEmpty() && waiting.picture.isNull()))
            continue;
        QString error;
        const qint64 id = waiting.path.isEmpty()
                              ? m_pTransfers->SendPicture(m_friendUid, waiting.picture, &error)
                              : m_pTransfers->SendFile(m_friendUid, waiting.path, &error);
        if (id == 0) {
            emit Refused(error);
            continue;
        }
        sent = true;
        if (m_pCards) {
            for (const KivUploadQueries::Upload& upload : m_pTransfers->Kept(m_friendUid)) {
                if (upload.id == id)
                    m_pCards->ShowUpload(id, upload.name, upload.size, upload.path);
            }
        }
    }
    m_waiting.clear();
    return sent;
}

bool KivChatAttachments::ShowReceived(const QString& text) {
    const std::optional<KivAttachment> attachment = KivAttachment::FromText(text);
    if (!attachment || !m_pCards)
        return false;
    m_pCards->ShowReceived(*attachment);
    return true;
}

void KivChatAttachments::ShowKept() {
    if (!m_pCards || !m_pTransfers)
        return;
    for (const KivUploadQueries::Upload& upload : m_pTransfers->Kept(m_friendUid))
        m_pCards->ShowUpload(upload.id, upload.name, upload.size, upload.path);
}
