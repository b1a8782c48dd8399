#include "shell/ImMeaidCueDlg.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "chat/KivCallProgram.h"
#include "chat/KivWindowWatch.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivPicture.h"
#include "support/KivPlainText.h"

namespace {

// Window messages of the call window program and the two the cue posts to
// itself once it has them.
constexpr quint32 kKindHello = 1;
constexpr quint32 kKindHangUp = 2;
constexpr quint32 kKindAnswer = 10;
constexpr quint32 kKindPorts = 11;
constexpr quint32 kHelloPosted = 2034;
constexpr quint32 kAnswerPosted = 2035;
// How long the call window program may take to show its window.
constexpr int kStartGraceMs = 20000;

QString CallerText(const QString& caller) {
    return QCoreApplication::translate("ImMeaidCueDlg", "%1\n邀请您进行视频通话").arg(caller);
}

}  // namespace

ImMeaidCueDlg::ImMeaidCueDlg(const ptl_sys_send_per_media& media, QWidget* parent,
                             const QString& account)
    : QDialog(parent), m_account(account), m_media(media) {
    setObjectName(QStringLiteral("ImMediaCueDlg"));
    setWindowTitle(tr("视频通话请求"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    m_answer = KivMediaEmpty();

    m_background = KivPicture::Load(QStringLiteral("Resources/skin/ImMediaCueDlg/backImage.png"));
    resize(m_background.isNull() ? QSize(300, 160) : KivPicture::ShownSize(m_background));
    QFile skin(QStringLiteral("Resources/skin/ImMediaCueDlg/ImMediaCueDlg.qss"));
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));

    // Beside the picture's call badge on the left.
    m_text = new QLabel(this);
    KivPlainText::Show(m_text, CallerText(tr("用户 %1").arg(media.callerUid)));
    m_text->setObjectName(QStringLiteral("labelCueText"));
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_text->setWordWrap(true);
    m_text->setGeometry(100, 48, width() - 110, 48);
    auto* accept = new QPushButton(tr("接受"), this);
    accept->setObjectName(QStringLiteral("b_cueaccept"));
    accept->setGeometry(width() / 2 - 100, height() - 50, 90, 32);
    auto* decline = new QPushButton(tr("拒绝"), this);
    decline->setObjectName(QStringLiteral("b_cuedecline"));
    decline->setGeometry(width() / 2 + 10, height() - 50, 90, 32);
    auto* close = new QPushButton(this);
    close->setObjectName(QStringLiteral("b_Close"));
    close->setGeometry(width() - 34, 0, 32, 26);

    m_messages = new KivMessageWindow(
        KivWindowIdFor(quint64(winId())),
        [this](const KivWindowMessage& message) { OnWindowMessage(message); }, this);
    m_watch = new KivWindowWatch(this);
    connect(m_watch, &KivWindowWatch::Gone, this, &ImMeaidCueDlg::CallWindowEnded);

    connect(accept, &QPushButton::clicked, this, &ImMeaidCueDlg::CueAccept);
    connect(decline, &QPushButton::clicked, this, &ImMeaidCueDlg::CueDecline);
    connect(close, &QPushButton::clicked, this, &ImMeaidCueDlg::CloseDlg);
}

ImMeaidCueDlg::~ImMeaidCueDlg() = default;

void ImMeaidCueDlg::SetCallerName(const QString& name) {
    KivPlainText::Show(m_text, CallerText(name));
}

quint64 ImMeaidCueDlg::MessageWindowId() const {
    return m_messages->id();
}

bool ImMeaidCueDlg::IsCall(const ptl_sys_send_per_media& media) const {
    return media.callerUid == m_media.callerUid && media.calleeUid == m_media.calleeUid;
}

void ImMeaidCueDlg::CueAccept() {
    const qint64 pid =
        KivStartCallProgram({QStringLiteral("--device=%1").arg(MessageWindowId())}, m_account);
    if (pid == 0) {
        KivFriendMyMessageBoxView::Tip(this, tr("无法启动视频通话程序"), tr("确定"));
        return;
    }
    ExpectCallWindowFrom(pid);
    hide();
}

void ImMeaidCueDlg::ExpectCallWindowFrom(qint64 pid) {
    m_callPid = pid;
    m_namedWindow = 0;
    m_watch->WatchProcess(pid, kStartGraceMs);
}

bool ImMeaidCueDlg::FromCallWindow(const KivWindowMessage& message) const {
    return m_callPid != 0 && message.senderPid == m_callPid &&
           (m_namedWindow == 0 || message.wParam == m_namedWindow);
}

void ImMeaidCueDlg::CallWindowEnded() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_watch->Stop();
    m_callPid = 0;
    emit SndCallHungUp(&m_answer);
    emit SndDelMediaCue(this);
}

void ImMeaidCueDlg::EndCall() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_watch->Stop();
    m_callPid = 0;
    if (m_callWindow != 0) {
        const QPointer<ImMeaidCueDlg> self(this);
        KivSendMessage(m_callWindow, kKindHangUp, MessageWindowId(), QByteArray(1, '\0'), 2000);
        if (!self) {
            return;
        }
    }
    close();
    emit SndDelMediaCue(this);
}

void ImMeaidCueDlg::OnWindowMessage(const KivWindowMessage& message) {
    if (m_ended) {
        return;
    }
    if (message.message == KivWmCopyData) {
        if (!FromCallWindow(message)) {
            return;
        }
        ptl_sys_send_per_media record;
        switch (message.kind) {
            case kKindHello:
                if (message.wParam == 0 || m_namedWindow != 0) {
                    break;
                }
                m_namedWindow = message.wParam;
                m_messages->post(kHelloPosted, message.wParam);
                break;
            case kKindAnswer:
                std::memset(&m_answer, 0, sizeof(m_answer));
                KivMediaFromMessage(message.data, &m_answer);
                break;
            case kKindPorts:
                if (KivMediaFromMessage(message.data, &record)) {
                    KivMediaTakeAnswerPorts(m_answer, record);
                    m_messages->post(kAnswerPosted, message.wParam);
                }
                break;
            case kKindHangUp:
                CallWindowEnded();
                break;
            default:
                break;
        }
    } else if (message.message == kHelloPosted) {
        if (m_ended) {
            return;
        }
        m_callWindow = message.wParam;
        m_watch->Watch(m_callWindow);
        emit SndCueaccept(&m_media, quintptr(m_callWindow));
    } else if (message.message == kAnswerPosted) {
        emit SndCueaccept(&m_answer, quintptr(message.wParam));
    }
}

void ImMeaidCueDlg::CueDecline() {
    close();
    emit SndCuedecline(&m_media);
    emit SndDelMediaCue(this);
}

void ImMeaidCueDlg::CloseDlg() {
    close();
    emit SndDelMediaCue(this);
}

void ImMeaidCueDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_background.isNull()) {
        painter.drawPixmap(0, 0, m_background);
    } else {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::white);
        painter.setPen(QColor(210, 216, 224));
        painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 7, 7);
    }
}

void ImMeaidCueDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle())
        m_drag.Press(windowHandle(), event->globalPos(), pos());
    QDialog::mousePressEvent(event);
}

void ImMeaidCueDlg::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        if (const std::optional<QPoint> target = m_drag.Move(event->globalPos()))
            move(*target);
    }
    QDialog::mouseMoveEvent(event);
}

void ImMeaidCueDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_drag.Release();
    QDialog::mouseReleaseEvent(event);
}
