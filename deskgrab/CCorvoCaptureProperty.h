#pragma once

#include <QWidget>

#include "IScrCapParam.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The property page "[Corvo] Capture Prop Ex" of the screen capture
// source: the capture rectangle, the output size, the frame rate and the
// capture switch, applied to the source's parameter interface.
class CCorvoCaptureProperty : public QWidget {
    Q_OBJECT

public:
    explicit CCorvoCaptureProperty(QWidget* parent = nullptr);

    // Shows the parameters of a source; nullptr detaches the page.
    void SetObject(IScrCapParam* param);
    bool IsDirty() const { return m_dirty; }

public slots:
    // Hands the page's values to the source and shows what it made of them.
    void Apply();
    // Capture rectangle 0, 0, 320, 240 at 320 x 240 and 5 frames a second.
    void FillDefaults();

signals:
    void DirtyChanged(bool dirty);

private:
    void Load();
    void SetDirty(bool dirty);
    QLineEdit* AddEdit(const QString& name, const QString& label, int row, int column);

    IScrCapParam* m_param = nullptr;
    bool m_dirty = false;
    QLineEdit* m_left;
    QLineEdit* m_top;
    QLineEdit* m_right;
    QLineEdit* m_bottom;
    QLineEdit* m_width;
    QLineEdit* m_height;
    QComboBox* m_rate;
    QCheckBox* m_enable;
    QLabel* m_bitCount;
    QPushButton* m_apply;
};
