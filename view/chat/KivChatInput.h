#pragma once

#include <QImage>
#include <QStringList>
#include <QTextEdit>

// The chat input: rich text with faces and gifts, and pictures and files
// pasted or dropped into it, which it hands to its dialog instead of taking
// them as text.
class KivChatInput : public QTextEdit {
    Q_OBJECT
public:
    explicit KivChatInput(QWidget* parent = nullptr);

signals:
    // A picture from the clipboard or dropped as picture data.
    void PictureGiven(const QImage& picture);
    // Files from this computer, in the order they came.
    void FilesGiven(const QStringList& paths);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};
