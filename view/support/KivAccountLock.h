#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One client per account on a machine: two would pump the same outbox and
// the server would log each out in turn. The lock is a file in the
// account's folder, held while a session of it runs; one left by a program
// that died is taken over.
class KivAccountLock {
public:
    KivAccountLock();
    ~KivAccountLock();

    // Holds the lock of `account` (letting go of another one held); false when
    // another running client holds it.
    bool Take(const QString& account);
    void Release();
    QString Account() const { return m_account; }

private:
    std::unique_ptr<QLockFile> m_file;
    QString m_account;
};
