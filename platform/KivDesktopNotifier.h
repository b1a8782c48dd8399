#pragma once

#include <QObject>
#include <QString>

#include <memory>

class KivDesktopNotifierPrivate;

// Notices on the desktop, outside the program's windows. Each notice has a
// key of the caller's; showing one under a key that is still on screen
// updates it in place. Texts are plain: nothing in them is taken as markup.
// Where the desktop shows no notices, everything is accepted and nothing
// appears. Nothing here waits for the desktop.
class KivDesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit KivDesktopNotifier(QObject* parent = nullptr);
    ~KivDesktopNotifier() override;

    // `icon` is a picture file's path, or empty.
    void Show(const QString& key, const QString& title, const QString& body,
              const QString& icon = QString());
    // Takes the notice down if it is still shown.
    void Withdraw(const QString& key);
    // Whether a notice under `key` is on screen (or on its way there).
    bool IsShown(const QString& key) const;

signals:
    // The user clicked the notice; it is gone from the screen.
    void Clicked(const QString& key);

private:
    std::unique_ptr<KivDesktopNotifierPrivate> d;
};
