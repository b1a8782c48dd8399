#include "KivMetaTypes.h"

void KivRegisterMetaTypes() {
    qRegisterMetaType<Uint32>("Uint32");
    qRegisterMetaType<tag_friend_result>("tag_friend_result");
    qRegisterMetaType<ptl_sys_send_per_media>("ptl_sys_send_per_media");
    qRegisterMetaType<KivVersionText>("KivVersionText");
}
