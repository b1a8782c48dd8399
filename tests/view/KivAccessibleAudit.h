#pragma once

#include <QList>
#include <QStringList>

class QWidget;

// What a screen reader finds in a window: the controls it cannot name, and
// the controls the keyboard cannot reach.
class KivAccessibleAudit {
public:
    // Every shown push button, check box, radio button, text field, combo
    // box, list, table and tab whose accessible name is empty, as
    // "<role> <objectName or class>".
    static QStringList Unnamed(QWidget* window);
    // Every shown, enabled control of those kinds that takes no focus from
    // Tab, as "<objectName or class>"; `except` names the ones that may
    // (their own keys reach them).
    static QStringList OutOfTabOrder(QWidget* window, const QStringList& except = {});
    // The widgets real Tab presses visit in the active `window`, in order,
    // from its focus widget (or the first Tab reaches) until the focus comes
    // back to it, leaves the window or stays stuck on one widget.
    static QList<QWidget*> TabCycle(QWidget* window);
    // The controls of the kinds above that the Tab cycle misses, as
    // "<objectName or class>"; `except` as for OutOfTabOrder. A focus policy
    // alone is not enough: the tab chain or a focus proxy may skip a control.
    static QStringList OutOfTabCycle(QWidget* window, const QStringList& except = {});
    // The name and description of the accessible interface of `widget`.
    static QString Name(QWidget* widget);
    static QString Description(QWidget* widget);
};
