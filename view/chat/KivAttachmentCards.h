#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <list>
#include <map>

#include "KivAttachment.h"

class CChatHistoryList;
class CChatItem;
class KivFileDownload;
class KivTransfers;

// The files of one conversation as cards in its bubbles. A file the user
// sends shows its name, size and progress (speed, time left) with a cancel
// link, why it failed and a retry link, and "sent" at the end. A file the
// friend announced shows its name and size with links to receive it or save
// it elsewhere; nothing is fetched without the user's click, except pictures
// up to the automatic size, which show as a thumbnail and open at full size
// when clicked.
class KivAttachmentCards : public QObject {
    Q_OBJECT
public:
    KivAttachmentCards(CChatHistoryList* history, KivTransfers& transfers, quint32 friendUid,
                       const QString& pictureFolder, QObject* parent = nullptr);

    // A card for an upload to this friend (from this window or kept from before).
    void ShowUpload(qint64 id, const QString& name, quint64 size, const QString& path);
    // A card for a file the friend announced.
    void ShowReceived(const KivAttachment& attachment);
    // A size as people read it: "686 B", "1.2 MB", in any language.
    static QString SizeText(quint64 bytes);
    // Where pictures shown by themselves are kept.
    QString PictureFolder() const { return m_pictureFolder; }
    // The card of an upload, or of the newest received file with that id.
    CChatItem* UploadCard(qint64 id) const;
    CChatItem* ReceivedCard(const QString& fileId) const;

private:
    struct Card {
        QPointer<CChatItem> item;
        KivAttachment attachment;  // received: as announced; sent: name and size
        QString localPath;         // the file on this computer, once there
        QImage thumbnail;
        QPointer<KivFileDownload> download;
        QString status;
        QString actions;  // "a:label|b:label"
        quint64 done = 0;
        QElapsedTimer clock;
        quint64 doneAtStart = 0;
        bool own = false;
    };

    void Paint(Card& card);
    void Act(CChatItem* item, const QString& action);
    void Progressed(Card& card, quint64 done, quint64 total, const QString& verb);
    void Fetch(Card& card, const QString& folder);
    Card* CardOf(CChatItem* item);

    CChatHistoryList* m_pHistory;
    KivTransfers& m_transfers;
    quint32 m_friendUid;
    QString m_pictureFolder;
    // Node containers: a card stays where it is while others come and go.
    std::map<qint64, Card> m_uploads;
    std::list<Card> m_received;
};
