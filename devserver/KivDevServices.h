#pragma once

class CKivDevUserStore;
class CKivDevOfflineStore;
class CKivDevHeadStore;
class CKivDevFileStore;
class CKivDevCheckNumbers;
class CKivDevOnlineUsers;

// What the record handlers work with; all of it lives on the TCP thread.
struct KivDevServices {
    CKivDevUserStore& users;
    CKivDevOfflineStore& offline;
    CKivDevHeadStore& heads;
    CKivDevFileStore& files;
    CKivDevCheckNumbers& checkNumbers;
    CKivDevOnlineUsers& online;
};
