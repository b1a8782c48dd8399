#pragma once

#include <QPushButton>

// The user's head as a circle with a soft ring, 75 x 75.
class kivFriendQPainterLabelView : public QPushButton {
    Q_OBJECT
public:
    explicit kivFriendQPainterLabelView(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Drawn in shades of grey (the user is offline).
    void SetGreyed(bool greyed);
    bool IsGreyed() const { return m_greyed; }

public slots:
    void getArguments(QString path);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_path;
    bool m_greyed = false;
};
