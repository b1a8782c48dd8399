#include "QMessageBroadCast.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <memory>

#include "QMessageBroadCastEvent.h"

namespace {

std::unique_ptr<QMessageBroadCast>& instance() {
    static std::unique_ptr<QMessageBroadCast> registry;
    return registry;
}

}  // namespace

QMessageBroadCast* QMessageBroadCast::GetInstance() {
    if (!instance()) {
        instance().reset(new QMessageBroadCast());
    }
    return instance().get();
}

void QMessageBroadCast::ReleaseInstance() {
    instance().reset();
}

void QMessageBroadCast::RegisterWnd(int topic, QObject* window, Callback callback) {
    if (!window || !callback) {
        return;
    }
    m_topics[topic].append(Registration{window, std::move(callback)});
}

void QMessageBroadCast::UnRegisterWnd(int topic, QObject* window) {
    const auto found = m_topics.find(topic);
    if (found == m_topics.end()) {
        return;
    }
    QList<Registration>& registrations = found.value();
    for (int i = 0; i < registrations.size(); ++i) {
        if (registrations.at(i).window == window) {
            registrations.removeAt(i);
            return;
        }
    }
}

void QMessageBroadCast::NotifyRegWnd(tagBROADCASTInfo* info) {
    if (!info) {
        return;
    }
    // A copy, so that a receiver may register or unregister while handling.
    const QList<Registration> registrations = m_topics.value(info->topic);
    for (const Registration& registration : registrations) {
        registration.callback(info);
    }
}

void QMessageBroadCast::NotifyAllWnd(tagBROADCASTInfo* info) {
    if (!info || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return;
    }
    QList<QPointer<QDialog>> dialogs;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (QDialog* dialog = qobject_cast<QDialog*>(widget)) {
            dialogs.append(dialog);
        }
    }
    // A dialog may close another while handling the event.
    for (const QPointer<QDialog>& dialog : dialogs) {
        if (dialog) {
            QMessageBroadCastEvent event(info);
            QCoreApplication::sendEvent(dialog, &event);
        }
    }
}
