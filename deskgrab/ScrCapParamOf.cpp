#include "ScrCapParamOf.h"

#include "CCorvoDeskGrab.h"
#include "GstCorvoDeskGrab.h"

IScrCapParam* ScrCapParamOf(struct _GstElement* element) {
    if (element == nullptr || !GST_IS_CORVO_DESK_GRAB(element)) {
        return nullptr;
    }
    return &CorvoDeskGrabOf(GST_CORVO_DESK_GRAB(element))->Settings();
}
