#include "support/KivAccountLock.h"

#include <QDir>
#include <QLockFile>

KivAccountLock::KivAccountLock() = default;
KivAccountLock::~KivAccountLock() = default;

bool KivAccountLock::Take(const QString& account) {
    if (m_file && account == m_account) {
        return true;
    }
    Release();
    // A name that is no folder is refused by the login itself.
    if (account.isEmpty() || account.contains(QLatin1Char('/')) || account.startsWith('.')) {
        return true;
    }
    const QString folder = QStringLiteral("User/") + account;
    QDir().mkpath(folder);
    auto file = std::make_unique<QLockFile>(folder + QStringLiteral("/session.lock"));
    // Stale only when its program is gone, however long it has run.
    file->setStaleLockTime(0);
    if (!file->tryLock(0)) {
        return file->error() != QLockFile::LockFailedError;
    }
    m_file = std::move(file);
    m_account = account;
    return true;
}

void KivAccountLock::Release() {
    m_file.reset();
    m_account.clear();
}
