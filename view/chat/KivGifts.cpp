#include "chat/KivGifts.h"

#include "CKivFriendDBModel.h"
#include "CKivOutboxRow.h"
#include "CKivSession.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/KivChatText.h"

namespace {

QString NotVip() {
    return QCoreApplication::translate("KivGifts", "您还不是vip，请加入VIP组！");
}

}  // namespace

double KivGifts::BalanceLeft() const {
    CKivFriendDBModel& db = m_session.Database();
    double left = double(db.GetGiftBalance());
    for (const CKivOutboxRow& kept : db.GetOutbox(m_session.User().uid))
        left -= KivChatText::GiftCost(kept.row.message);
    return left;
}

QString KivGifts::RefusalToSend(const QString& plain) const {
    // A gift typed by its name never passed the picker's check.
    if (m_session.Database().GetVipFlag() == 0 && KivChatText::HasGift(plain))
        return NotVip();
    const double cost = KivChatText::GiftCost(plain);
    if (cost > 0 && cost > BalanceLeft())
        return tr("你的余额不够兑换礼物！");
    return QString();
}

QString KivGifts::RefusalToPick(const QString& path, const QString& inputPlain) const {
    if (m_session.Database().GetVipFlag() == 0)
        return NotVip();
    // The gifts already in the input and those waiting to leave count as well.
    if (CKivIMfaceDlg::PriceOf(path) + KivChatText::GiftCost(inputPlain) > BalanceLeft())
        return tr("余额不足！请充值。");
    return QString();
}

void KivGifts::Charge(const QString& plain) {
    const double cost = KivChatText::GiftCost(plain);
    if (cost <= 0)
        return;
    CKivFriendDBModel& db = m_session.Database();
    db.SetGiftBalance(float(qMax(0.0, double(db.GetGiftBalance()) - cost)));
}
