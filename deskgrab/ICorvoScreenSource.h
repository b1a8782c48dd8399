#pragma once

#include <string>

#include "CorvoImageView.h"
#include "CorvoScreenSize.h"

// Where the desktop pictures come from.
class ICorvoScreenSource {
public:
    virtual ~ICorvoScreenSource() = default;

    // False with a reason when there is no screen that can be grabbed.
    virtual bool Open(std::string* error) = 0;
    virtual void Close() = 0;
    virtual CorvoScreenSize Size() = 0;
    // Grabs a rectangle that lies on the screen, with the cursor drawn in.
    // The picture stays valid until the next grab.
    virtual bool Grab(int left, int top, int width, int height, CorvoImageView* picture,
                      std::string* error) = 0;
    // True once the screen is gone for good.
    virtual bool IsLost() = 0;
    // Called from another thread: makes a grab that hangs (a stuck display)
    // give up soon. The source is lost afterwards until it is opened again.
    virtual void Interrupt() = 0;
};
