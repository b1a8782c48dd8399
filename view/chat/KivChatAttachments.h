#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "chat/KivChatText.h"

class CChatHistoryList;
class KivAttachmentCards;
class KivChatInput;
class KivScreenGrab;
class KivTransfers;
class QWidget;

// The pictures and files of a chat window: what is pasted, dropped, chosen
// or captured waits in the input as a thumbnail among the text, leaves with
// the send key in the order it stands, and shows as a card in the
// conversation, as do the files the friend announces.
class KivChatAttachments : public QObject {
    Q_OBJECT
public:
    KivChatAttachments(QWidget* window, KivChatInput* input, CChatHistoryList* history);
    ~KivChatAttachments() override;

    // Files travel once the window knows its friend and the session's transfers.
    void SetTransfers(KivTransfers* transfers, quint32 friendUid, const QString& pictureFolder);
    bool CanSend() const { return m_pTransfers != nullptr && m_friendUid != 0; }

    void AddFiles(const QStringList& paths);
    void AddPicture(const QImage& picture);
    // Asks for files with the desktop's file dialog.
    void ChooseFiles();
    // Hides the window, lets the user cut a region of the screen and puts it
    // in the input; Esc cancels. The desktop may take its time to give the
    // screen's picture (and ask the user); a second call meanwhile is ignored.
    void TakeScreenshot();
    // Pictures and files waiting in the input.
    int Waiting() const { return m_waiting.size(); }

    // Sends what the input holds in order: texts through `postText` (false:
    // stop there), pictures and files as uploads. False when nothing left.
    bool Send(const QVector<KivChatText::Part>& parts,
              const std::function<bool(const QString&)>& postText);
    // A received text: true when it announced a file, which is shown as a card.
    bool ShowReceived(const QString& text);
    // Cards for this friend's uploads kept from before (an earlier window or run).
    void ShowKept();
    KivAttachmentCards* Cards() const { return m_pCards; }

protected:
    // Files and pictures dropped anywhere on the window join the input.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Something could not be taken or sent; the text says why.
    void Refused(const QString& why);

private:
    struct Held {
        QString path;    // a file
        QImage picture;  // or a picture to keep first
    };
    void Insert(const Held& held, const QImage& thumbnail);
    void ScreenGrabbed(const QImage& picture, const QRect& screenGeometry);
    void ScreenshotOver();

    QWidget* m_pWindow;
    KivChatInput* m_pInput;
    CChatHistoryList* m_pHistory;
    QPointer<KivTransfers> m_pTransfers;
    // The screen's picture on its way, from the button to the picker.
    QPointer<KivScreenGrab> m_pGrab;
    KivAttachmentCards* m_pCards = nullptr;
    quint32 m_friendUid = 0;
    QHash<QString, Held> m_waiting;
    int m_nextKey = 0;
};
