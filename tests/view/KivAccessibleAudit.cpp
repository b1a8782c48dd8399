#include "KivAccessibleAudit.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
#include <QWidget>

namespace {

bool IsControlRole(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::EditableText:
        case QAccessible::ComboBox:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::PageTab:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::Slider:
        case QAccessible::SpinBox:
            return true;
        default:
            return false;
    }
}

QString Label(QAccessibleInterface* item) {
    QObject* object = item->object();
    QString name = object ? object->objectName() : QString();
    if (name.isEmpty() && object)
        name = QString::fromLatin1(object->metaObject()->className());
    return QStringLiteral("%1 %2").arg(int(item->role())).arg(name);
}

void Walk(QAccessibleInterface* item, QStringList* unnamed, int depth) {
    if (!item || depth > 40)
        return;
    if (item->state().invisible)
        return;
    // Popups of combo boxes are named by their combo box.
    if (auto* widget = qobject_cast<QWidget*>(item->object())) {
        if (!widget->isVisible())
            return;
    }
    // Rows and cells of item views are named by their models; the view is.
    const bool insideView = item->parent() && (item->parent()->role() == QAccessible::List ||
                                               item->parent()->role() == QAccessible::Table ||
                                               item->parent()->role() == QAccessible::Tree);
    if (IsControlRole(item->role()) && !insideView &&
        item->text(QAccessible::Name).trimmed().isEmpty())
        unnamed->append(Label(item));
    if (item->role() == QAccessible::List || item->role() == QAccessible::Table ||
        item->role() == QAccessible::Tree)
        return;
    for (int i = 0; i < item->childCount(); ++i)
        Walk(item->child(i), unnamed, depth + 1);
}

bool IsControl(QWidget* widget) {
    return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
           qobject_cast<QTextEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
           qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QTabBar*>(widget);
}

}  // namespace

QStringList KivAccessibleAudit::Unnamed(QWidget* window) {
    QStringList unnamed;
    Walk(QAccessible::queryAccessibleInterface(window), &unnamed, 0);
    return unnamed;
}

QStringList KivAccessibleAudit::OutOfTabOrder(QWidget* window, const QStringList& except) {
    QStringList out;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!IsControl(widget) || !widget->isVisibleTo(window) || !widget->isEnabled())
            continue;
        // A combo box's own line edit takes the focus for it.
        if (qobject_cast<QLineEdit*>(widget) && qobject_cast<QComboBox*>(widget->parentWidget()))
            continue;
        // Of a group of radio buttons Tab reaches the checked one; the arrow
        // keys the others.
        auto* radio = qobject_cast<QRadioButton*>(widget);
        if (radio && radio->autoExclusive() && !radio->isChecked())
            continue;
        const QString name = widget->objectName().isEmpty()
                                 ? QString::fromLatin1(widget->metaObject()->className())
                                 : widget->objectName();
        if (!(widget->focusPolicy() & Qt::TabFocus) && !except.contains(name))
            out.append(name);
    }
    return out;
}

QString KivAccessibleAudit::Name(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Name) : QString();
}

QString KivAccessibleAudit::Description(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Description) : QString();
}
