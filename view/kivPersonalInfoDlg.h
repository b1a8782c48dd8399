#pragma once

#include <QStringList>

#include "KivPlaceholderDlg.h"

// A user's profile: the own one can be edited, a friend's is shown.
class kivPersonalInfoDlg : public KivPlaceholderDlg {
    Q_OBJECT
public:
    explicit kivPersonalInfoDlg(QWidget* parent = nullptr);

    // mode 1: the own profile; mode 2: a friend's.
    void InitInfo(quint32 uid, int mode, const QString& account);
    quint32 Uid() const { return m_uid; }

signals:
    void SndAlter(QStringList changed);
    void SndChangeSign(QString sign);

public slots:
    void InitShowInfo(int uflg, bool bGUIDnew, const QByteArray& account);

private:
    quint32 m_uid = 0;
    int m_mode = 0;
    QString m_account;
};
