#pragma once

#include <QPixmap>
#include <QWidget>

// One built-in head in the choice grid; a click, or Space on the focused
// tile, selects it.
class CHeadItem : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 62;
    static constexpr int kInset = 4;

    CHeadItem(const QString& imagePath, QWidget* parent);

    QString ImagePath() const { return m_path; }
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected);
    // The head number of a file "head_<n>.png", or -1.
    static int HeadNumberOf(const QString& path);

signals:
    void ItemSelected(CHeadItem* item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Space or Enter selects the tile that has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_path;
    QPixmap m_head;
    QPixmap m_background;
    QPixmap m_selectedBackground;
    bool m_selected = false;
};
