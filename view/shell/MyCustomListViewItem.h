#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPixmap;
class QTimer;

// The picture of one friend row: head, name line, second line and the unread
// tip, which blinks while the friend's messages wait.
class MyCustomListViewItem : public QWidget {
    Q_OBJECT
public:
    explicit MyCustomListViewItem(QWidget* parent = nullptr);

    void SetHead(const QPixmap& head);
    void SetName(const QString& name);
    void SetDescription(const QString& text);
    // The time of the row's last message, shown at the right of the name.
    void SetTime(const QString& text);

    // Shows the tip with the number of waiting messages (at least one).
    void ShowTip(int count);
    void HideTip();
    bool IsTipShown() const;
    QString TipText() const;

    // The tip toggles on every tick until StopBlink(), which leaves it shown
    // while a count is set.
    void StartBlink();
    void StopBlink();
    bool IsBlinking() const;

    static constexpr int kBlinkIntervalMs = 500;

signals:
    // The tip changed by itself; whoever shows the picture must repaint.
    void Blinked();

public slots:
    void timeEnd();

private:
    QLabel* m_iconLabel = nullptr;
    QLabel* m_labelHead = nullptr;
    QLineEdit* m_labelDescription = nullptr;
    QLabel* m_labelTime = nullptr;
    QLabel* m_msgTip = nullptr;
    QTimer* m_blinkTimer = nullptr;
    int m_count = 0;
};
