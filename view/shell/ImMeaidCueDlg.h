#pragma once

#include <QDialog>
#include <QPixmap>

#include "KivProtocol.h"
#include "KivWindowDrag.h"

class KivMessageWindow;
class KivWindowWatch;
class QLabel;
struct KivWindowMessage;

// The small always-on-top window that announces a call request; the main
// window answers the server from its signals. Accepting starts the call
// window program, and the hidden cue relays between it and the main window
// until the call ends.
class ImMeaidCueDlg : public QDialog {
    Q_OBJECT
public:
    // `account` is the logged-in one; the call window takes its sound settings.
    ImMeaidCueDlg(const ptl_sys_send_per_media& media, QWidget* parent,
                  const QString& account = QString());
    ~ImMeaidCueDlg() override;

    ptl_sys_send_per_media& Request() { return m_media; }
    const ptl_sys_send_per_media& Answer() const { return m_answer; }
    // The id the call window program sends its messages to.
    quint64 MessageWindowId() const;
    quint64 CallWindow() const { return m_callWindow; }
    // The call window program started by accepting, or 0.
    qint64 CallProcess() const { return m_callPid; }
    // Takes `pid` as the call window program, as if accepting had started it
    // (a test that plays the call window itself).
    void ExpectCallWindowFrom(qint64 pid);
    // Whether a record from the server belongs to this call.
    bool IsCall(const ptl_sys_send_per_media& media) const;
    // Names the caller by the name the friend list shows.
    void SetCallerName(const QString& name);
    // The caller ended the call: the call window closes, and so does the cue.
    void EndCall();

signals:
    void SndCueaccept(ptl_sys_send_per_media* media, quintptr window);
    void SndCuedecline(ptl_sys_send_per_media* media);
    void SndDelMediaCue(QObject* cue);
    // The user hung up in the call window.
    void SndCallHungUp(ptl_sys_send_per_media* answer);

public slots:
    void CueAccept();
    void CueDecline();
    void CloseDlg();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnWindowMessage(const KivWindowMessage& message);
    // Window ids are reused: a message counts only from the program that
    // accepting started and, once it named its window, from that window.
    bool FromCallWindow(const KivWindowMessage& message) const;
    // The call window hung up, or is gone without a word.
    void CallWindowEnded();

    QString m_account;
    ptl_sys_send_per_media m_media;
    ptl_sys_send_per_media m_answer;
    QPixmap m_background;
    QLabel* m_text = nullptr;
    KivWindowDrag m_drag;
    quint64 m_callWindow = 0;
    // The window the program named in its kind 1 (m_callWindow follows once
    // the main window was told).
    quint64 m_namedWindow = 0;
    qint64 m_callPid = 0;
    bool m_ended = false;
    KivMessageWindow* m_messages = nullptr;
    KivWindowWatch* m_watch = nullptr;
};
