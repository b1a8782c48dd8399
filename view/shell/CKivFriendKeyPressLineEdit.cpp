#include "shell/CKivFriendKeyPressLineEdit.h"

#include <QKeyEvent>

#include "support/KivHotKeyText.h"

CKivFriendKeyPressLineEdit::CKivFriendKeyPressLineEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setPlaceholderText(tr("无"));
}

QString CKivFriendKeyPressLineEdit::TextFor(int key, Qt::KeyboardModifiers modifiers) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    if (key < Qt::Key_A || key > Qt::Key_Z)
        return QString();
    const QChar letter = QChar(key);
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    QString prefix;
    if (ctrl && alt && shift)
        prefix = QStringLiteral("Ctrl + Alt + Shift + ");
    else if (ctrl && shift)
        prefix = QStringLiteral("Ctrl + Shift + ");
    else if (ctrl && alt)
        prefix = QStringLiteral("Ctrl + Alt + ");
    else if (shift && alt)
        prefix = QStringLiteral("Shift + Alt + ");
    else if (shift)
        prefix = QStringLiteral("Shift + ");
    else if (ctrl)
        prefix = QStringLiteral("Ctrl + ");
    else if (alt)
        prefix = QStringLiteral("Alt + ");
    else
        prefix = QStringLiteral("Ctrl + Alt + ");  // a bare letter is no global key
    return prefix + letter;
}

unsigned CKivFriendKeyPressLineEdit::VirtualKeyOf(const QString& text) {
    const KivHotKeyText parsed = KivHotKeyText::Parse(text);
    return parsed.valid ? parsed.virtualKey : 0;
}

void CKivFriendKeyPressLineEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Backspace) {
        clear();
        m_key = 0;
        m_modifiers = Qt::NoModifier;
        return;
    }
    const QString text = TextFor(key, event->modifiers());
    if (text.isNull()) {
        event->ignore();
        return;
    }
    const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F12;
    m_key = key;
    m_modifiers = functionKey ? Qt::NoModifier
                              : event->modifiers() &
                                    (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    setText(text);
}
