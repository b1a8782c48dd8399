#pragma once

#include <QLineEdit>
#include <QPixmap>

// A line edit that shows a small icon while it is empty and unfocused.
class QCustomLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit QCustomLineEdit(QWidget* parent = nullptr);

    void SetIcon(const QPixmap& icon);

    static constexpr int kIconX = 6;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_icon;
};
