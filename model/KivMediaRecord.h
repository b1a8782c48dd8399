#pragma once

#include <QByteArray>

#include "KivProtocol.h"

// Media records travel between the client and the call window inside window
// messages. A record is taken when its own length field reaches past the
// header and the message really holds that many bytes, at most one full
// record of them; the fields beyond a shorter record read as zero.
bool KivMediaFromMessage(const QByteArray& data, ptl_sys_send_per_media* record);

// The command field of a message's record, or 0 when the message is too short
// to have one.
std::uint32_t KivMessageCommand(const QByteArray& data);

// A whole media record as a window message's data.
QByteArray KivMediaToMessage(const ptl_sys_send_per_media& record);
