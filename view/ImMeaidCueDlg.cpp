#include "ImMeaidCueDlg.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>

namespace {

QString CallerText(quint32 uid) {
    return QStringLiteral("用户 %1 邀请您进行视频通话").arg(uid);
}

}  // namespace

ImMeaidCueDlg::ImMeaidCueDlg(const ptl_sys_send_per_media& media, QWidget* parent)
    : QDialog(parent), m_media(media) {
    setObjectName(QStringLiteral("ImMediaCueDlg"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    KivInitRecord(m_answer, Media);

    m_background.load(QStringLiteral("Resources/skin/ImMediaCueDlg/backImage.png"));
    resize(m_background.isNull() ? QSize(300, 160) : m_background.size());
    QFile skin(QStringLiteral("Resources/skin/ImMediaCueDlg/ImMediaCueDlg.qss"));
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));

    auto* text = new QLabel(CallerText(media.callerUid), this);
    text->setObjectName(QStringLiteral("labelCueText"));
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(10, 40, width() - 20, 50);
    auto* accept = new QPushButton(QStringLiteral("接受"), this);
    accept->setObjectName(QStringLiteral("b_cueaccept"));
    accept->setGeometry(width() / 2 - 100, height() - 50, 90, 32);
    auto* decline = new QPushButton(QStringLiteral("拒绝"), this);
    decline->setObjectName(QStringLiteral("b_cuedecline"));
    decline->setGeometry(width() / 2 + 10, height() - 50, 90, 32);
    auto* close = new QPushButton(this);
    close->setObjectName(QStringLiteral("b_Close"));
    close->setGeometry(width() - 34, 0, 32, 26);

    connect(accept, &QPushButton::clicked, this, &ImMeaidCueDlg::CueAccept);
    connect(decline, &QPushButton::clicked, this, &ImMeaidCueDlg::CueDecline);
    connect(close, &QPushButton::clicked, this, &ImMeaidCueDlg::CloseDlg);
}

void ImMeaidCueDlg::CueAccept() {
    const QString program = QDir::currentPath() + QStringLiteral("/media/CallView");
    QProcess::startDetached(program, {QStringLiteral("--device=%1").arg(winId())});
    hide();
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
    m_dragOffset = event->globalPos() - pos();
    QDialog::mousePressEvent(event);
}

void ImMeaidCueDlg::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPos() - m_dragOffset);
    QDialog::mouseMoveEvent(event);
}
