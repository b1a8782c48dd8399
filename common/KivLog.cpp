#include "KivLog.h"

Q_LOGGING_CATEGORY(lcKivModel, "kiv.model", QtInfoMsg)
Q_LOGGING_CATEGORY(lcKivNet, "kiv.net", QtInfoMsg)
Q_LOGGING_CATEGORY(lcKivView, "kiv.view", QtInfoMsg)
