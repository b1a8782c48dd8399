#pragma once

#include <QString>
#include <QVector>
#include <QWidget>
#include <map>

#include "CKivChatRecordRow.h"

class CChatRecord;
class KivChatSearchPanel;
class QPushButton;
struct KivChatSearchHit;

// The chat history panel beside a chat dialog: every message exchanged with
// one friend, kPageSize at a time, newest page first, each page in time order
// with a date line wherever the day changes.
class CKivImChatRecordDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageSize = 60;

    explicit CKivImChatRecordDlg(QWidget* parent);

    // Whose conversation the panel pages through.
    void SetConversation(quint32 ownUid, const QString& ownName, quint32 friendUid,
                         const QString& friendName);
    void SetNickNameToUidMap(std::map<unsigned long, QString>& names);

    int Offset() const { return m_offset; }
    int Total() const { return m_total; }
    CChatRecord* List() const { return m_pList; }
    KivChatSearchPanel* Search() const { return m_pSearch; }
    // Shows the page that holds the message (its row id and time) and marks it.
    bool GoToMessage(qint64 id, const QString& msgTime);

    // The three steps of showing a page, apart so their costs can be told
    // apart: read the count and the page at the current offset (and set the
    // buttons), build the rows, and place the rows in sight at the bottom.
    QVector<CKivChatRecordRow> QueryPage();
    void FillPage(const QVector<CKivChatRecordRow>& rows);
    void PlacePage();

public slots:
    void RefreshRecordList();
    void ClickPrePage();
    void ClickNextPage();
    void ClickLeftTopPage();
    void ClickRightTopPage();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* AddPageButton(const char* objectName, const QString& tip);
    void PlaceChildren();

    quint32 m_ownUid = 0;
    quint32 m_friendUid = 0;
    QString m_ownName;
    QString m_friendName;
    std::map<unsigned long, QString> m_names;
    int m_offset = 0;
    int m_total = 0;

    CChatRecord* m_pList = nullptr;
    KivChatSearchPanel* m_pSearch = nullptr;
    QPushButton* m_pPrePage = nullptr;
    QPushButton* m_pNextPage = nullptr;
    QPushButton* m_pLeftTopPage = nullptr;
    QPushButton* m_pRightTopPage = nullptr;
};
