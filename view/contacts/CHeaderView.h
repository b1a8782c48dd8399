#pragma once

#include <QPixmap>
#include <QWidget>

// A preview of the cut head at one size, in its frame.
class CHeaderView : public QWidget {
    Q_OBJECT
public:
    CHeaderView(int side, const QString& framePicture, QWidget* parent);

    QPixmap Shown() const { return m_shown; }
    void Clear();

public slots:
    void refreshImage(QImage* image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_frame;
    QPixmap m_shown;
};
