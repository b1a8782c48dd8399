#pragma once

#include <memory>

#include "CCorvoFrameRate.h"
#include "CCorvoImage.h"
#include "CorvoImageMode.h"

// The parameters one frame is made with, copied out under the lock.
struct CorvoCaptureSnapshot {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width = 0;
    int height = 0;
    CorvoFrameRateEntry rate{};
    bool captureEnabled = true;
    bool pacing = true;
    bool timestamps = true;
    bool imageLoaded = false;
    CorvoImageMode imageMode = CorvoImageMode::Whole;
    // Null while no picture could be loaded: the still frames are black.
    std::shared_ptr<const CCorvoImage> still;
};
