#pragma once

#include <QImage>
#include <QPointer>

#include "KivProtocol.h"
#include "shell/QWindowBase.h"

class CKivSession;
class KivIMChoiceDefultHeadDlg;
class KivImChoiceCustomHeadDlg;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QTimer;

// Changes the own head picture: a built-in head, or a picture cut from a
// file, uploaded to the file server, which numbers it.
class KivIMChoiceHeadDlg : public QWindowBase {
    Q_OBJECT
public:
    static constexpr int kUploadWatchdogMs = 10000;
    // The largest side of an uploaded head; the dialogs show at most 124.
    static constexpr int kUploadSide = 256;

    KivIMChoiceHeadDlg(QWidget* parent, CKivSession& session);
    ~KivIMChoiceHeadDlg() override;

    KivIMChoiceDefultHeadDlg* DefaultPage() const { return m_pDefault; }
    KivImChoiceCustomHeadDlg* CustomPage() const { return m_pCustom; }
    bool IsUploading() const { return m_bUploading; }
    int NewHead() const { return m_newHead; }
    void SetUploadWatchdog(int ms) { m_watchdogMs = ms; }
    // The address an upload of `pngBytes` bytes in session `session` goes to.
    static QUrl UploadUrl(quint32 uid, const QString& session, int pngBytes);
    static QByteArray UploadBody(const QByteArray& png);
    bool SaveCustomHeadImage(QString& path) const;

signals:
    void AllHeaderChange(const QString& path);

public slots:
    void CustomBtClicked();
    void DefultBtClicked();
    void CancelBtClicked();
    void ReSelBtClicked();
    void SaveBtClicked();
    // The server's answer to the profile with the new head, handed over by
    // the main window, which tells the user.
    void AlterHeadResult(Uint32 uid, Uint32 result, Uint32 version);
    void UpLoadFileSlot(const QString& session);
    void UpLoadFileRetSlot(const QString& text);
    void replyFinished(QNetworkReply* reply);
    void OnUploadProgress(qint64 sent, qint64 total);
    void CheckUpload();

private:
    CKivSession& m_session;
    // False, and the user told why, when nothing was sent.
    bool SendProfileWithHead(int head);
    void EndUpload();
    void ClearPages();

    KivIMChoiceDefultHeadDlg* m_pDefault = nullptr;
    KivImChoiceCustomHeadDlg* m_pCustom = nullptr;
    QPushButton* m_pDefaultTab = nullptr;
    QPushButton* m_pCustomTab = nullptr;
    QPushButton* m_pReSel = nullptr;
    QPushButton* m_pSave = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QNetworkAccessManager* m_pManager = nullptr;
    QTimer* m_pWatchdog = nullptr;
    QPointer<QNetworkReply> m_pReply;
    int m_watchdogMs = kUploadWatchdogMs;

    int m_newHead = 0;
    bool m_bBuiltIn = false;
    bool m_bUploading = false;        // from the upload request to its end
    bool m_bAwaitingProfile = false;  // the profile with the new head went out
    quint32 m_uploadSession = 0;
    QImage m_uploaded;
};
