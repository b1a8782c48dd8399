#pragma once

#include "IPictureLink.h"
#include "IPictureLinkSetup.h"

// The process's one video session.
IPictureLink* GetPictureLink();
// The same session's call keys.
IPictureLinkSetup* GetPictureLinkSetup();
