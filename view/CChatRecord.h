#pragma once

#include <QDate>
#include <QListWidget>

class CChatRecordItem;

// The rows of one page of the chat record. Rows arrive newest first; each
// goes to the top of its day, under that day's date line, so the page reads
// from oldest to newest.
class CChatRecord : public QListWidget {
    Q_OBJECT
public:
    explicit CChatRecord(QWidget* parent = nullptr);

    // Empties the list and forgets the current day.
    void Reset();
    // One message: its chat text, the sender's name, its time
    // "yyyy-MM-dd hh:mm:ss", and whether the user sent it.
    void AddMessage(const QString& text, const QString& name, const QString& time, bool own);

    CChatRecordItem* rowAt(int row) const;

private:
    QDate m_currentDate;
};
