#pragma once

#include "CKivChatRecordRow.h"

// A message of the outbox: what was typed, and whether the server has it
// already (its move into the history failed and is tried again).
struct CKivOutboxRow {
    CKivChatRecordRow row;
    bool delivered = false;
};
