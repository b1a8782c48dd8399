#pragma once

#include <QTextEdit>

// A text edit whose pasted and dropped content goes through one overridable
// step (insertFromMimeData), left to the base behaviour here.
class QCustomEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit QCustomEdit(QWidget* parent = nullptr);

protected:
    void insertFromMimeData(const QMimeData* source) override;
};
