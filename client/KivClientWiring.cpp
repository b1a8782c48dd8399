#include "KivClientWiring.h"

#include "KivNativeEvent.h"
#include "shell/KivIMMainDlg.h"

void KivClientWiring::Connect(KivNativeEvent* filter, KivIMMainDlg* mainDlg) {
    QObject::connect(mainDlg, &KivIMMainDlg::SndShowDlgHotId, filter,
                     &KivNativeEvent::getShowmDlgKeyId);
    QObject::connect(filter, &KivNativeEvent::ShowmDlgHotKey, mainDlg,
                     &KivIMMainDlg::ShowmDlgForHot);
    QObject::connect(mainDlg, &KivIMMainDlg::SndGetmsgHotId, filter,
                     &KivNativeEvent::getGetmsgHotId);
    QObject::connect(filter, &KivNativeEvent::GetMsgHotKey, mainDlg, &KivIMMainDlg::GetMsgForHot);
    QObject::connect(mainDlg, &KivIMMainDlg::SndHidemDlgHotId, filter,
                     &KivNativeEvent::getHidemDlgHotId);
    QObject::connect(filter, &KivNativeEvent::HidemDlgHotKey, mainDlg,
                     &KivIMMainDlg::HidemDlgHotSlot);
}
