#pragma once

#include <QPixmap>
#include <QWidget>

class QListWidgetItem;
class QPushButton;

// One row of the account drop-down: head, account and a second text; the
// highlighted row is taller, shows both texts and a delete button.
class QDropListItem : public QWidget {
    Q_OBJECT
public:
    QDropListItem(const QString& account, const QString& secondText, const QPixmap& head,
                  QListWidgetItem* item, QWidget* parent = nullptr);

    QListWidgetItem* Item() const { return m_item; }
    QPushButton* DeleteButton() const { return m_pBt; }

    void SetSelected(bool selected);

signals:
    // The user asked to forget this row's account.
    void DeleteRequested(QListWidgetItem* item);

public slots:
    void Clickd();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceButton();

    QString m_account;
    QString m_secondText;
    QPixmap m_head;
    QListWidgetItem* m_item = nullptr;
    QPushButton* m_pBt = nullptr;
    bool m_selected = false;
};
