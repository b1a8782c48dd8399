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

// The call request made from what the call window announced (data kind 10):
// a fresh Media record with its users, state, address A and video port A.
ptl_sys_send_per_media KivMediaRequestFrom(const ptl_sys_send_per_media& announced);
// The call window reports its audio port in the video port A field (data kind 11).
void KivMediaTakeAudioPort(ptl_sys_send_per_media& request, const ptl_sys_send_per_media& ports);
// The callee's call window reports its audio ports in the audio port A and
// video port B fields (data kind 11); they join its answer.
void KivMediaTakeAnswerPorts(ptl_sys_send_per_media& answer, const ptl_sys_send_per_media& ports);
// An empty Media record.
ptl_sys_send_per_media KivMediaEmpty();
// `media` with another state; only the state word changes.
ptl_sys_send_per_media KivMediaWithState(const ptl_sys_send_per_media& media, KivMediaState state);
