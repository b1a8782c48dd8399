#pragma once

#include <QDate>
#include <QHash>
#include <QListWidget>
#include <QStringList>

class CChatRecordItem;
class CTextBrowserEx;

// The rows of one page of the chat record. Rows arrive newest first; each
// goes to the top of its day, under that day's date line, so the page reads
// from oldest to newest. A row's widget is made only when the row comes into
// sight: its height is measured from its text beforehand, so a page of sixty
// messages costs a screenful of widgets.
class CChatRecord : public QListWidget {
    Q_OBJECT
public:
    explicit CChatRecord(QWidget* parent = nullptr);
    ~CChatRecord() override;

    // Empties the list and forgets the current day.
    void Reset();
    // One message: its chat text, the sender's name, its time
    // "yyyy-MM-dd hh:mm:ss", and whether the user sent it.
    void AddMessage(const QString& text, const QString& name, const QString& time, bool own);

    // The widget of a row, made now if it was not yet.
    CChatRecordItem* rowAt(int row);

protected:
    void scrollContentsBy(int dx, int dy) override;

protected slots:
    void updateEditorGeometries() override;

private:
    struct Entry {
        int kind = 0;
        QString date;
        QStringList lines;
        QString name;
        QString time;
    };
    void InsertRow(int at, const Entry& entry, int height);
    CChatRecordItem* WidgetFor(QListWidgetItem* row);
    int MessageHeight(const QStringList& lines);

    QDate m_currentDate;
    QHash<const QListWidgetItem*, Entry> m_entries;
    QHash<const QListWidgetItem*, CChatRecordItem*> m_widgets;
    // Lays out message texts to learn their heights, the way a row's body would.
    CTextBrowserEx* m_pMeasure = nullptr;
};
