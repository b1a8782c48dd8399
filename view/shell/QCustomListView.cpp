#include "shell/QCustomListView.h"

QCustomListView::QCustomListView(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("listWidget"));
}
