#include "contacts/KivIMChoiceHeadDlg.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivContactQueries.h"
#include "KivProfileUpdate.h"
#include "KivUploadSessions.h"
#include "contacts/CHeadItem.h"
#include "contacts/KivIMChoiceDefultHeadDlg.h"
#include "contacts/KivImChoiceCustomHeadDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivFileServerTls.h"
#include "support/KivHeadPath.h"
#include "support/KivSafeImage.h"
#include "support/KivSkinBackground.h"

namespace {

constexpr Uint32 kUpdated = 1;
const char* const kFolder = "Resources/skin/kivChoiceHeaddlg/";

QString Skin(const char* name) {
    return QString::fromLatin1(kFolder) + QLatin1String(name);
}

void Tip(QWidget* parent, const QString& text) {
    KivFriendMyMessageBoxView::Tip(parent, text,
                                   QCoreApplication::translate("KivIMChoiceHeadDlg", "确定"));
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

KivIMChoiceHeadDlg::KivIMChoiceHeadDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QStringLiteral("KivIMChoiceHeadDlg"));
    KivSkinBackground::Apply(this, Skin("bkground.png"), QSize(495, 400));
    KivSkinBackground::AddTitle(this, tr("更换头像"));

    m_pDefaultTab = new QPushButton(tr("经典头像"), this);
    m_pDefaultTab->setObjectName(QStringLiteral("DefultBt"));
    m_pDefaultTab->setGeometry(16, 40, 96, 32);
    m_pCustomTab = new QPushButton(tr("自定义头像"), this);
    m_pCustomTab->setObjectName(QStringLiteral("CustomBt"));
    m_pCustomTab->setGeometry(112, 40, 96, 32);

    m_pDefault = new KivIMChoiceDefultHeadDlg(this);
    m_pDefault->setGeometry(16, 76, 463, 243);
    m_pDefault->setStyleSheet(QStringLiteral("border:none;background-color:rgb(255,255,255);"));
    m_pCustom = new KivImChoiceCustomHeadDlg(this);
    m_pCustom->setGeometry(16, 76, 463, 243);

    m_pReSel = new QPushButton(tr("重新选择"), this);
    m_pReSel->setObjectName(QStringLiteral("ReSelBt"));
    m_pReSel->setGeometry(159, 319, 91, 31);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progressUpload"));
    m_pProgress->setGeometry(16, 364, 150, 14);
    m_pProgress->setTextVisible(false);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("labelStatus"));
    m_pStatus->setGeometry(172, 358, 120, 26);

    m_pSave = new QPushButton(tr("保存"), this);
    m_pSave->setObjectName(QStringLiteral("SaveBt"));
    m_pSave->setGeometry(width() - 16 - 80 - 10 - 80, height() - 40, 80, 30);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("CancelBt"));
    cancel->setGeometry(width() - 16 - 80, height() - 40, 80, 30);

    m_pManager = new QNetworkAccessManager(this);
    m_pWatchdog = new QTimer(this);
    m_pWatchdog->setSingleShot(true);

    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(Skin("kivChoiceHeaddlg.qss"));
    connect(m_pDefaultTab, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::DefultBtClicked);
    connect(m_pCustomTab, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::CustomBtClicked);
    connect(m_pReSel, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::ReSelBtClicked);
    connect(m_pSave, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::SaveBtClicked);
    connect(cancel, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::CancelBtClicked);
    connect(m_pClose, &QPushButton::clicked, this, &KivIMChoiceHeadDlg::CancelBtClicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(m_pManager, &QNetworkAccessManager::finished, this, &KivIMChoiceHeadDlg::replyFinished);
    connect(m_pWatchdog, &QTimer::timeout, this, &KivIMChoiceHeadDlg::CheckUpload);
    connect(m_pCustom, &KivImChoiceCustomHeadDlg::ImageChosen, this,
            [this] { m_pSave->setEnabled(!m_bUploading); });
    // Upload sessions are handed out by the session's one owner of them, so
    // an attachment's answer never reaches this dialog.
    connect(&m_session.Uploads(), &KivUploadSessions::HeadResult, this,
            &KivIMChoiceHeadDlg::UpLoadFileRetSlot);
    EndUpload();
    DefultBtClicked();
}

KivIMChoiceHeadDlg::~KivIMChoiceHeadDlg() = default;

void KivIMChoiceHeadDlg::CustomBtClicked() {
    m_pDefault->hide();
    m_pCustom->show();
    m_pCustomTab->setStyleSheet(
        QStringLiteral("border-image:url(%1);").arg(Skin("SwitchBtSel.png")));
    m_pDefaultTab->setStyleSheet(QStringLiteral("background: transparent;"));
    m_pReSel->setGeometry(159, 319, 91, 31);
    m_pReSel->setVisible(m_pCustom->CustomImage().isNull() == false);
}

void KivIMChoiceHeadDlg::DefultBtClicked() {
    m_pCustom->hide();
    m_pDefault->show();
    m_pDefaultTab->setStyleSheet(
        QStringLiteral("border-image:url(%1);").arg(Skin("SwitchBtSel.png")));
    m_pCustomTab->setStyleSheet(QStringLiteral("background: transparent;"));
    m_pReSel->hide();
}

void KivIMChoiceHeadDlg::ReSelBtClicked() {
    m_pCustom->AddImageBtClicked();
}

void KivIMChoiceHeadDlg::ClearPages() {
    m_pDefault->ClearSelection();
    m_pCustom->Clear();
    m_pReSel->hide();
}

void KivIMChoiceHeadDlg::CancelBtClicked() {
    setResult(0);
    hide();
    ClearPages();
}

bool KivIMChoiceHeadDlg::SendProfileWithHead(int head) {
    const quint32 uid = m_session.Net().GetUID();
    // The record carries the whole profile: without the stored one it would
    // overwrite the server's with blanks.
    KivContactProfile profile = KivContactQueries::ByUid(uid);
    if (!profile.found) {
        Tip(this, tr("未能读取个人资料，请稍后再试"));
        return false;
    }
    profile.uid = uid;
    profile.head = head;
    const QString tooLong = KivProfileUpdate::TooLong(profile);
    if (!tooLong.isEmpty()) {
        Tip(this, tr("%1过长，无法保存，请先在个人资料中删减").arg(tooLong));
        return false;
    }
    m_newHead = head;
    if (!m_session.UpdateProfile(profile)) {
        Tip(this, tr("网络连接已断开，请稍后再试"));
        return false;
    }
    m_bAwaitingProfile = true;
    // The main window hands the result back and tells the user.
    if (KivIMMainDlg::mainDlg)
        KivIMMainDlg::mainDlg->AwaitAlterInfo(this,
                                              [this](Uint32 uid, Uint32 result, Uint32 version) {
                                                  AlterHeadResult(uid, result, version);
                                              });
    return true;
}

void KivIMChoiceHeadDlg::SaveBtClicked() {
    if (m_pDefault->isVisible()) {
        CHeadItem* item = m_pDefault->SelectedItem();
        if (!item)
            return;
        const int head = CHeadItem::HeadNumberOf(item->ImagePath());
        if (head < 0)
            return;
        m_bBuiltIn = true;
        if (!SendProfileWithHead(head))
            return;
        ClearPages();
        setResult(1);
        hide();
        return;
    }
    m_uploaded = m_pCustom->CustomImage();
    if (m_uploaded.isNull())
        return;
    if (m_uploaded.width() > kUploadSide || m_uploaded.height() > kUploadSide)
        m_uploaded = m_uploaded.scaled(kUploadSide, kUploadSide, Qt::KeepAspectRatio,
                                       Qt::SmoothTransformation);
    const bool asked = m_session.Uploads().Ask(
        KivUploadHead, this, [this](quint32 session) { UpLoadFileSlot(QString::number(session)); });
    if (!asked) {
        Tip(this, tr("网络连接已断开，请稍后再试"));
        return;
    }
    m_bBuiltIn = false;
    m_bUploading = true;
    m_pSave->setEnabled(false);
    m_pProgress->setRange(0, 0);
    m_pProgress->show();
    m_pStatus->setText(tr("正在上传…"));
    m_pWatchdog->start(m_watchdogMs);
}

QUrl KivIMChoiceHeadDlg::UploadUrl(quint32 uid, const QString& session, int pngBytes) {
    const KivDeploymentConfig config;
    return QUrl(QStringLiteral("%1://%2:%3/?UserID=%4&Session=%5&FileSize=%6&Chunknum=1&QN=0&"
                               "End=1&Type=jpg&Attribution=1")
                    .arg(config.FileScheme(), config.FileHost())
                    .arg(config.FilePort())
                    .arg(uid)
                    .arg(session)
                    .arg(pngBytes));
}

QByteArray KivIMChoiceHeadDlg::UploadBody(const QByteArray& png) {
    return QByteArrayLiteral("Content:") + png.toBase64() + QByteArrayLiteral("\r\n\r\n");
}

void KivIMChoiceHeadDlg::UpLoadFileSlot(const QString& session) {
    if (!m_bUploading || m_pReply)
        return;
    // The session goes into the address, so only a plain number is taken.
    bool ok = false;
    const quint32 number = session.trimmed().toUInt(&ok);
    if (!ok || number == 0) {
        CheckUpload();
        return;
    }
    const QByteArray png = Png(m_uploaded);
    const KivDeploymentConfig config;
    QNetworkRequest request = KivFileServerTls::Request(
        UploadUrl(m_session.Net().GetUID(), QString::number(number), png.size()), config);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    m_uploadSession = number;
    m_pReply = m_pManager->post(request, UploadBody(png));
    KivFileServerTls::Watch(m_pReply, config);
    connect(m_pReply, &QNetworkReply::uploadProgress, this, &KivIMChoiceHeadDlg::OnUploadProgress);
}

void KivIMChoiceHeadDlg::OnUploadProgress(qint64 sent, qint64 total) {
    if (total <= 0)
        return;
    m_pProgress->setRange(0, 1000);
    m_pProgress->setValue(int(sent * 1000 / total));
}

void KivIMChoiceHeadDlg::replyFinished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply != m_pReply)
        return;
    m_pReply = nullptr;
    if (!m_bUploading)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        // The file server did not keep the picture: no profile may name it.
        EndUpload();
        Tip(this, tr("upload error"));
        return;
    }
    UpLoadFileRetSlot(QString::number(m_uploadSession));
}

void KivIMChoiceHeadDlg::UpLoadFileRetSlot(const QString& text) {
    if (!m_bUploading || m_pReply)
        return;
    bool ok = false;
    const int head = text.trimmed().toInt(&ok);
    if (!ok || head < KivHeadPath::kFirstUploadedHead) {
        EndUpload();
        Tip(this, tr("upload error"));
        return;
    }
    EndUpload();
    if (!SendProfileWithHead(head))
        return;
    setResult(1);
    hide();
}

void KivIMChoiceHeadDlg::CheckUpload() {
    if (!m_bUploading)
        return;
    if (m_pReply) {
        QNetworkReply* reply = m_pReply;
        m_pReply = nullptr;
        reply->abort();
    }
    EndUpload();
    if (isVisible())
        Tip(this, tr("upload error"));
}

void KivIMChoiceHeadDlg::EndUpload() {
    m_bUploading = false;
    m_pWatchdog->stop();
    m_pSave->setEnabled(true);
    m_pProgress->hide();
    m_pStatus->clear();
}

void KivIMChoiceHeadDlg::AlterHeadResult(Uint32 uid, Uint32 result, Uint32) {
    if (!m_bAwaitingProfile || uid != m_session.Net().GetUID())
        return;
    m_bAwaitingProfile = false;
    if (result != kUpdated)
        return;
    KivContactQueries::SetHead(uid, m_newHead);
    m_session.User().headIndex = m_newHead;
    const QString own = KivHeadPath::Own(QString::fromUtf8(m_session.Net().GetAccount()));
    if (m_bBuiltIn) {
        const QString stock = KivHeadPath::Stock(m_newHead);
        KivSafeImage::StorePng(QImage(stock), own);
        emit AllHeaderChange(stock);
        return;
    }
    QString path = own;
    if (SaveCustomHeadImage(path))
        emit AllHeaderChange(path);
}

bool KivIMChoiceHeadDlg::SaveCustomHeadImage(QString& path) const {
    return !m_uploaded.isNull() && KivSafeImage::StorePng(m_uploaded, path);
}
