#include "PictureLink.h"

#include "CPictureLink.h"

namespace {

CPictureLink& Session() {
    static CPictureLink session;
    return session;
}

}  // namespace

IPictureLink* GetPictureLink() {
    return &Session();
}

IPictureLinkSetup* GetPictureLinkSetup() {
    return &Session();
}
