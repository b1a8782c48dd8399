#pragma once

#include <QStringList>
#include <QWidget>

class CTextBrowserEx;
class QLabel;
class QListWidgetItem;

// One row of the chat record: a date line, or a message with the sender's
// name, its time and the text.
class CChatRecordItem : public QWidget {
    Q_OBJECT
public:
    enum Kind { OwnMessage = 0, FriendMessage = 1, DateLine = 2 };
    static constexpr int kDateLineHeight = 28;
    static constexpr int kBodyWidth = 300;

    CChatRecordItem(QWidget* parent, QListWidgetItem* row, Kind kind);

    // A message body as rows show it: 300 wide, text wrapped inside its padding.
    static CTextBrowserEx* NewBody(QWidget* parent);
    // A message row's height for a body text of this height.
    static int RowHeightFor(qreal documentHeight);

    // A date line's text.
    void SetDate(const QString& date);
    // A message: its HTML lines, the sender's name and the time "hh:mm:ss".
    void SetMessage(const QStringList& htmlLines, const QString& name, const QString& time);

    Kind kind() const { return m_kind; }
    QString Name() const;
    QString Time() const;
    QString Date() const;
    CTextBrowserEx* Body() const { return m_pBody; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Measure();

    QListWidgetItem* m_pRow = nullptr;
    Kind m_kind;
    QLabel* m_pName = nullptr;
    QLabel* m_pTime = nullptr;
    QLabel* m_pDate = nullptr;
    QLabel* m_pLineLeft = nullptr;
    QLabel* m_pLineRight = nullptr;
    CTextBrowserEx* m_pBody = nullptr;
    bool m_bMeasure = false;
};
