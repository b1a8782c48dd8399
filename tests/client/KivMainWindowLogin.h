#pragma once

#include <QString>
#include <functional>

class KivIMMainDlg;

// Logs a main window in on the development server the way the login dialog
// does once the server accepts: the session's values, `beforeInit`, then
// InitMaindlg(). The net model must already point at the server. False when the
// login result did not come or was a refusal.
class KivMainWindowLogin {
public:
    static bool LogIn(KivIMMainDlg& window, const QString& account,
                      const std::function<void()>& beforeInit = {});
};
