#include "KivAccessibleAudit.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
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

QString NameOf(QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// The controls a keyboard user must be able to reach: shown, enabled, and
// not one whose group or owner takes the focus for it.
QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> controls;
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
        controls.append(widget);
    }
    return controls;
}

}  // namespace

QStringList KivAccessibleAudit::Unnamed(QWidget* window) {
    QStringList unnamed;
    Walk(QAccessible::queryAccessibleInterface(window), &unnamed, 0);
    return unnamed;
}

QStringList KivAccessibleAudit::OutOfTabOrder(QWidget* window, const QStringList& except) {
    QStringList out;
    for (QWidget* widget : Controls(window)) {
        const QString name = NameOf(widget);
        if (!(widget->focusPolicy() & Qt::TabFocus) && !except.contains(name))
            out.append(name);
    }
    return out;
}

QList<QWidget*> KivAccessibleAudit::TabCycle(QWidget* window) {
    QWidget* first = QApplication::focusWidget();
    if (!first || first->window() != window) {
        QTest::keyClick(window, Qt::Key_Tab);
        first = QApplication::focusWidget();
    }
    QList<QWidget*> cycle;
    if (!first || first->window() != window)
        return cycle;
    cycle.append(first);
    // A widget may keep the focus for some presses (Tab goes through the
    // links of a text first); one that keeps it longer holds the keyboard.
    constexpr int kMostInside = 40;
    const int most = 4 * (window->findChildren<QWidget*>().size() + kMostInside);
    QWidget* current = first;
    int inside = 0;
    for (int press = 0; press < most; ++press) {
        QTest::keyClick(current, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        if (!next || next->window() != window)
            break;
        if (next == current) {
            if (++inside > kMostInside)
                break;
            continue;
        }
        inside = 0;
        if (next == first)
            break;
        if (!cycle.contains(next))
            cycle.append(next);
        current = next;
    }
    return cycle;
}

QStringList KivAccessibleAudit::OutOfTabCycle(QWidget* window, const QStringList& except) {
    const QList<QWidget*> cycle = TabCycle(window);
    QStringList out;
    for (QWidget* widget : Controls(window)) {
        // A control that hands its focus to another is reached with it.
        QWidget* target = widget;
        while (target->focusProxy())
            target = target->focusProxy();
        const QString name = NameOf(widget);
        if (!cycle.contains(target) && !except.contains(name))
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
