#include "shell/QCustomEdit.h"

QCustomEdit::QCustomEdit(QWidget* parent) : QTextEdit(parent) {}

void QCustomEdit::insertFromMimeData(const QMimeData* source) {
    QTextEdit::insertFromMimeData(source);
}
