#pragma once

#include <QDialog>
#include <QPixmap>

#include "KivProtocol.h"

class QLabel;

// The small always-on-top window that announces a call request; the main
// window answers the server from its signals.
class ImMeaidCueDlg : public QDialog {
    Q_OBJECT
public:
    ImMeaidCueDlg(const ptl_sys_send_per_media& media, QWidget* parent);

    ptl_sys_send_per_media& Request() { return m_media; }
    const ptl_sys_send_per_media& Answer() const { return m_answer; }

signals:
    void SndCueaccept(ptl_sys_send_per_media* media, quintptr window);
    void SndCuedecline(ptl_sys_send_per_media* media);
    void SndDelMediaCue(QObject* cue);

public slots:
    void CueAccept();
    void CueDecline();
    void CloseDlg();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    ptl_sys_send_per_media m_media;
    ptl_sys_send_per_media m_answer;
    QPixmap m_background;
    QPoint m_dragOffset;
};
