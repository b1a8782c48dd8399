#pragma once

#include <QMetaType>
#include <array>

#include "KivProtocol.h"

// Version text of the VersionInfo record, by value.
using KivVersionText = std::array<Char08, 20>;

// Types the net model's signals carry by value, so that queued receivers get
// their own copy of data the receive path reuses at once.
Q_DECLARE_METATYPE(tag_friend_result)
Q_DECLARE_METATYPE(ptl_sys_send_per_media)
Q_DECLARE_METATYPE(KivVersionText)

// Registers the types above, and the name Uint32 for unsigned int, with the meta-type system; safe
// to call repeatedly.
void KivRegisterMetaTypes();
