#pragma once

#include <QDate>
#include <QHash>
#include <QListWidget>
#include <QVector>

class CChatRecordItem;
class CTextBrowserEx;
class KivChatTextDocument;

// The rows of one page of the chat record. Rows arrive newest first; each
// goes to the top of its day, under that day's date line, so the page reads
// from oldest to newest. Each message's text is laid out once, when it
// arrives, at the width it is shown; a row's widget is given to it only when
// the row comes into sight, and widgets are kept from page to page, so a
// page costs its texts and a screenful of widgets that already exist.
class CChatRecord : public QListWidget {
    Q_OBJECT
public:
    explicit CChatRecord(QWidget* parent = nullptr);
    ~CChatRecord() override;

    // Empties the list and forgets the current day. Until PlaceRows no row
    // gets a widget, as rows still move while a page is filled.
    void Reset();
    // One message: its chat text, the sender's name, its time
    // "yyyy-MM-dd hh:mm:ss", and whether the user sent it.
    // `id` is the message's row id, for Mark().
    void AddMessage(const QString& text, const QString& name, const QString& time, bool own,
                    qint64 id = 0);
    // Marks the message with this row id (0: none) and brings it into sight;
    // false when the page does not hold it.
    bool Mark(qint64 id);
    qint64 Marked() const { return m_markedId; }

    // Places (and gives widgets to) the rows in sight.
    void PlaceRows();
    // The widget of a row, given now if it had none.
    CChatRecordItem* rowAt(int row);

protected:
    void scrollContentsBy(int dx, int dy) override;

protected slots:
    void updateEditorGeometries() override;

private:
    struct Entry {
        int kind = 0;
        QString date;
        KivChatTextDocument* text = nullptr;
        QString name;
        QString time;
        qint64 id = 0;
    };
    void InsertRow(int at, const Entry& entry, int height);
    CChatRecordItem* WidgetFor(QListWidgetItem* row);
    KivChatTextDocument* NewText(const QString& plain);

    QDate m_currentDate;
    qint64 m_markedId = 0;
    bool m_bFilling = false;
    QHash<const QListWidgetItem*, Entry> m_entries;
    QHash<const QListWidgetItem*, CChatRecordItem*> m_widgets;
    // Widgets of rows gone with the last page, by kind, waiting for new rows.
    QVector<CChatRecordItem*> m_spare[3];
    // A body as rows have it, hidden: its font and wrapping are the texts'.
    CTextBrowserEx* m_pModel = nullptr;
};
