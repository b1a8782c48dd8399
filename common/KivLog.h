#pragma once

#include <QLoggingCategory>

// The client's log categories. Debug lines are off unless asked for, for
// example QT_LOGGING_RULES="kiv.*.debug=true"; warnings are always shown.
Q_DECLARE_LOGGING_CATEGORY(lcKivModel)
Q_DECLARE_LOGGING_CATEGORY(lcKivNet)
Q_DECLARE_LOGGING_CATEGORY(lcKivView)
