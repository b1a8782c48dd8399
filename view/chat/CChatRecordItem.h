#pragma once

#include <QStringList>
#include <QWidget>

class CTextBrowserEx;
class KivChatTextDocument;
class QLabel;
class QListWidgetItem;

// One row of the chat record: a date line, or a message with the sender's
// name, its time and the text. The list hands a row widget from row to row
// as pages change; the text it shows belongs to the list.
class CChatRecordItem : public QWidget {
    Q_OBJECT
public:
    enum Kind { OwnMessage = 0, FriendMessage = 1, DateLine = 2 };
    static constexpr int kDateLineHeight = 28;
    static constexpr int kBodyWidth = 300;
    // The text's own width: the body less its padding left and right.
    static constexpr int kTextWidth = kBodyWidth - 20;

    CChatRecordItem(QWidget* parent, Kind kind);

    // A message body as rows show it: 300 wide, text wrapped inside its padding.
    static CTextBrowserEx* NewBody(QWidget* parent);
    // A message row's height for a body text of this height.
    static int RowHeightFor(qreal documentHeight);

    // The list row this widget stands for; its height follows the text.
    void SetRow(QListWidgetItem* row) { m_pRow = row; }
    // A date line's text.
    void SetDate(const QString& date);
    // A message: its text laid out at kTextWidth, the sender's name and the
    // time "hh:mm:ss".
    void SetMessage(KivChatTextDocument* text, const QString& name, const QString& time);
    // Lets go of the row and its text, which may go away now.
    void Release();

    Kind kind() const { return m_kind; }
    // The message a search went to stands out.
    void SetMarked(bool marked);
    bool IsMarked() const { return m_bMarked; }
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
    bool m_bMarked = false;
    QLabel* m_pName = nullptr;
    QLabel* m_pTime = nullptr;
    QLabel* m_pDate = nullptr;
    QLabel* m_pLineLeft = nullptr;
    QLabel* m_pLineRight = nullptr;
    CTextBrowserEx* m_pBody = nullptr;
    // What the body shows while the widget waits for a row.
    KivChatTextDocument* m_pBlank = nullptr;
    bool m_bMeasure = false;
};
