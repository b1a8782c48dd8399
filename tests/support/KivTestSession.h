#pragma once

#include <memory>

#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"

// A session over the model singletons, as the program makes one, waiting on
// `timers` (a test's own clock, or the event loop's). It must go before the
// singletons are released.
inline std::unique_ptr<CKivSession> KivNewTestSession(
    KivTimerSource& timers = KivTimerSource::EventLoop()) {
    return std::make_unique<CKivSession>(*CKivFriendNetModel::GetInstance(),
                                         *CKivFriendHearbeatModel::GetInstance(), nullptr, timers);
}
