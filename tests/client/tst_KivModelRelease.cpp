#include <QtTest>

#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "KivModelRelease.h"
#include "KivTestRegistry.h"

class tst_KivModelRelease : public QObject {
    Q_OBJECT
private slots:
    // The heartbeat sends through the net model: releasing the models must end
    // its thread first, or it keeps sending through a released net model.
    void heartbeatEndsBeforeTheNetModel() {
        CKivFriendNetModel::GetInstance();
        CKivFriendHearbeatModel* beat = CKivFriendHearbeatModel::GetInstance();
        beat->SetInterval(1);
        beat->StartSendHearbeat(10001);
        QTRY_VERIFY(beat->Is_Thread_Running());
        KivReleaseModels();
        QTest::qWait(20);
        QVERIFY(!CKivFriendHearbeatModel::GetInstance()->Is_Thread_Running());
        CKivFriendHearbeatModel::ReleaseInstance();
        CKivFriendNetModel::ReleaseInstance();
    }
};

KIV_TEST_CLASS(tst_KivModelRelease)
#include "tst_KivModelRelease.moc"
