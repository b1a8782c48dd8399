#pragma once

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
    // The name and description of the accessible interface of `widget`.
    static QString Name(QWidget* widget);
    static QString Description(QWidget* widget);
};
