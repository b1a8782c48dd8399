#pragma once

#include "IPictureLink.h"

// The process's one video session.
IPictureLink* GetPictureLink();
