#include "PictureLink.h"

#include "CPictureLink.h"

IPictureLink* GetPictureLink() {
    static CPictureLink session;
    return &session;
}
