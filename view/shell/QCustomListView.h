#pragma once

#include <QListWidget>

// The account combo box's model and drop-down view in one.
class QCustomListView : public QListWidget {
    Q_OBJECT
public:
    explicit QCustomListView(QWidget* parent = nullptr);
};
