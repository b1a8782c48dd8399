#pragma once

#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

// The crop editor: the picture fitted into the widget, the outside of the
// square selection darkened, eight handles to resize it and a drag inside to
// move it. Each release hands the cut out (in the picture's own pixels).
class CImageEditWid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHandle = 8;
    static constexpr qreal kMinSide = 24;
    enum Handle {
        TopLeft,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left,
        Move,
        None
    };

    explicit CImageEditWid(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    bool HasImage() const { return !m_image.isNull(); }
    void Clear();
    QRectF Selection() const { return m_selection; }
    void SetSelection(const QRectF& selection);
    // Where the picture is drawn inside the widget.
    QRectF ImageRect() const { return m_imageRect; }
    // The selected part of the original picture.
    QImage CutImage() const;
    Handle HandleAt(const QPointF& pos) const;

signals:
    void mouseRelease(QImage* image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointF HandlePoint(Handle handle) const;
    void Fit();
    QRectF Clamp(const QRectF& rect) const;
    void ResizeFrom(Handle handle, const QPointF& pos);

    QImage m_image;
    QPixmap m_shown;
    QRectF m_imageRect;
    QRectF m_selection;
    Handle m_active = None;
    QPointF m_last;
    QImage m_cut;
};
