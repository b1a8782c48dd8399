#pragma once

#include <QImage>
#include <QWidget>

class CHeaderView;
class CImageEditWid;
class QPushButton;

// "自定义头像": a picture from the user's files, cut with the crop editor and
// previewed at 124 and 53 pixels.
class KivImChoiceCustomHeadDlg : public QWidget {
    Q_OBJECT
public:
    explicit KivImChoiceCustomHeadDlg(QWidget* parent = nullptr);

    // Loads a picture into the editor; false (with a message) when refused.
    bool LoadImage(const QString& path);
    // The cut picture, null while none is chosen.
    QImage CustomImage() const;
    void Clear();
    CImageEditWid* Editor() const { return m_pEditor; }
    CHeaderView* LargePreview() const { return m_pLarge; }
    CHeaderView* SmallPreview() const { return m_pSmall; }

signals:
    void ImageChosen();

public slots:
    void AddImageBtClicked();

private:
    QPushButton* m_pAdd = nullptr;
    CImageEditWid* m_pEditor = nullptr;
    CHeaderView* m_pLarge = nullptr;
    CHeaderView* m_pSmall = nullptr;
};
