#pragma once

#include <QLineEdit>

// A field that records a key combination instead of text: a letter with its
// modifiers ("Ctrl + Alt + A") or a function key ("F5"); Backspace clears it.
class CKivFriendKeyPressLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CKivFriendKeyPressLineEdit(QWidget* parent = nullptr);

    Qt::KeyboardModifiers LastModifiers() const { return m_modifiers; }
    int LastKey() const { return m_key; }
    // The text a key press shows, or a null text when the key is not taken.
    static QString TextFor(int key, Qt::KeyboardModifiers modifiers);
    // The virtual-key code of the combination's key as the settings keep it, 0 for none.
    static unsigned VirtualKeyOf(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Qt::KeyboardModifiers m_modifiers;
    int m_key = 0;
};
