#pragma once

class CKivDevUserStore;
class CKivDevOfflineStore;
class CKivDevHeadStore;
class CKivDevCheckNumbers;
class CKivDevOnlineUsers;

// What the record handlers work with; all of it lives on the TCP thread.
struct KivDevServices {
    CKivDevUserStore& users;
    CKivDevOfflineStore& offline;
    CKivDevHeadStore& heads;
    CKivDevCheckNumbers& checkNumbers;
    CKivDevOnlineUsers& online;
};
