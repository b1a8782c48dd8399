#pragma once

// Records exchanged with the messaging server over the client's TCP connection.
// Each record is a 20-byte FrameHeader followed by a command-specific body. The
// structs below are the wire layout itself: a record is filled in place and sent
// as raw bytes, and a received record is read through the matching struct. All
// multi-byte fields are little-endian and no byte swapping is ever done, so the
// host must be little-endian too.

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "The wire records are read and written in host byte order and must be "
              "little-endian; a big-endian host needs byte swapping that does not exist.");
static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559,
              "The login result carries an IEEE single-precision float.");

// Type names used in the net model's signal signatures.
using Uint32 = std::uint32_t;
using Char08 = char;

inline constexpr std::uint32_t FRAME_MAGIC = 0x1D1E1F1Cu;  // bytes 1C 1F 1E 1D in stream order

// The receive path never delivers a longer record, and hands every record over
// at the start of a zero-filled buffer of exactly this size.
inline constexpr int kKivMaxRecordLength = 16384;

enum KivCommand : std::uint32_t {
    ConnectCheck = 11,
    Login = 12,
    FriendList = 13,
    VipList = 14,
    ChatMessage = 15,
    Media = 16,
    Search = 18,
    AddFriendRequest = 19,  // client to server
    AddFriendPush = 19,     // server to client: a friendship was established
    AddFriendAnswer = 20,
    Register = 21,
    DeleteFriend = 22,
    NewPassword = 23,
    UpdateUserInfo = 24,
    Logout = 28,
    LeaveMessage = 29,
    UploadFile = 30,
    UploadFileResult = 32,
    VersionInfo = 33,
    CheckNumber = 34,
    SetMyShow = 36,
    Heartbeat = 10000
};

// The state word of a Media record (16).
enum KivMediaState : std::uint32_t {
    KivMediaRequest = 1,
    KivMediaAccepted = 2,
    KivMediaDeclined = 3,
    KivMediaClosedByCaller = 4,
    KivMediaClosedByCallee = 5,
    // Only between the client and its call window: the callee's answer, handed on.
    KivMediaHandedOver = 11
};

// The answer word of an AddFriendAnswer record (20).
enum KivFriendAnswer : std::uint32_t {
    KivFriendAccepted = 1,
    // Sent without asking the user: the asker is a friend already.
    KivFriendAlready = 3
};

// The error word of a refused login (the result word is not 0). On success
// the same word carries the uid.
enum KivLoginRefusal : std::int32_t {
    KivLoginElsewhere = 0,  // the account logged in on another client
    KivLoginBadPassword = 2,
    KivLoginNoUser = 6,
    KivLoginUnreadable = -1  // the answer could not be read
};

// The purpose word of a CheckNumber request (34).
enum KivCheckPurpose : std::uint32_t { KivCheckForRegister = 1, KivCheckForNewPassword = 2 };
// What an upload session (UploadFile, word at 24) is for.
enum KivUploadPurpose : std::uint32_t { KivUploadHead = 1, KivUploadAttachment = 2 };

struct FrameHeader {
    std::uint32_t length;  // whole record, header included
    std::uint32_t command;
    std::uint32_t magic;
    std::uint32_t length2;   // the length again; not read by the receiver
    std::uint32_t reserved;  // always 0; not read
};

// ---- Common blocks ------------------------------------------------------------

struct UserProfile {
    std::uint32_t uid;
    std::int32_t sex;    // 1 = male, 0 = female
    std::uint32_t head;  // head picture number: < 10000 built in, >= 10000 uploaded
    char account[128];
    char name[128];  // second name field; never read by the client
    char nickName[128];
    char sign[128];  // signature line
    char area[128];
    char phone[12];
    char birthday[12];
};

struct FriendRecord {
    std::uint32_t uid;
    char name[128];      // name shown in the friend list
    std::uint32_t head;  // head picture number
};

// Body of a friend or VIP list record: `count` FriendRecords packed into `data`.
struct tag_friend_result {
    std::uint32_t count;
    char data[8192];
};

inline constexpr int kKivMaxFriendRecords =
    static_cast<int>(sizeof(tag_friend_result::data) / sizeof(FriendRecord));

// Offline chat message, as the item of a LeaveMessage result of kind 1.
struct tag_leave_message {
    std::uint32_t uid;  // sender
    char time[20];      // server's text, stored as the message time
    char text[1024];
};

// Media (16), both directions; the call window program produces and consumes the
// address and port fields, the client relays them unchanged.
struct ptl_sys_send_per_media {
    FrameHeader head;
    std::uint32_t callerUid;  // user who started the call
    std::uint32_t calleeUid;  // user who is called
    // 1 request, 2 accepted, 3 declined, 4 closed by the caller, 5 closed by the
    // called side; 11 is used inside the client's own call hand-over
    std::uint32_t state;
    char addressA[64];  // peer IPv4 address text
    std::uint32_t videoPortA;
    char addressB[64];  // second IPv4 address text
    std::uint32_t videoPortB;
    std::uint32_t audioPortA;
    std::uint32_t audioPortB;
};

// ---- ConnectCheck (11) --------------------------------------------------------

struct ConnectCheckRequest {
    FrameHeader head;
    char text[512];  // "test"
};

struct ConnectCheckResult {
    FrameHeader head;
    std::int32_t result;  // 0 = the server accepts the connection
};

// ---- Login (12) ---------------------------------------------------------------

struct LoginRequest {
    FrameHeader head;
    char account[128];     // Latin-1
    char password[64];     // MD5 of the Latin-1 password, 32 lowercase hex digits
    char localIp[128];     // the host's IPv4 address in dotted text
    std::uint32_t param1;  // server-defined, always 23
    std::uint32_t param2;  // server-defined, always 0
    std::uint32_t param3;  // server-defined, always 1
};

// The client reads the login result up to offset 1028.
struct LoginResult {
    FrameHeader head;
    std::int32_t result;     // 0 = success
    std::int32_t errorCode;  // meaningful when result != 0
    std::uint32_t uid;
    char account[128];
    char nickName[128];
    char sign[512];
    std::int32_t sex;
    char birthday[12];
    char area[64];
    char phone[12];
    float giftBalance;
    std::uint32_t vipFlag;  // 0 = not a VIP user; kept as user type and groupid
    char headAdd[128];      // head picture number in decimal text
};

// ---- FriendList (13) and VipList (14) -----------------------------------------

// Read for the whole 8192-byte list whatever the record's length: the delivery
// buffer reads as zero past a shorter record.
struct FriendListResult {
    FrameHeader head;
    tag_friend_result list;
};

using VipListResult = FriendListResult;

struct VipListRequest {
    FrameHeader head;
    std::uint32_t accountLength;  // length of the text in account
    char account[8192];           // own account
};

// ---- ChatMessage (15), both directions ----------------------------------------

struct ChatMessageRecord {
    FrameHeader head;
    std::uint32_t senderUid;
    std::uint32_t receiverUid;
    char text[1024];  // UTF-8 chat text format, at most 1023 bytes
};

// ---- Search (18) --------------------------------------------------------------

struct SearchRequest {
    FrameHeader head;
    std::uint32_t uid;             // own uid
    char account[128];             // Latin-1, white space trimmed and simplified
    std::uint32_t param1;          // server-defined, always 1
    std::uint32_t param2;          // server-defined, always 0
    std::uint32_t profileVersion;  // version of the profile held for that account, 0 = none
};

// The server sends at most 832 bytes; the client reads the profile, to offset
// 704. The struct is sized to the full 832 so that any such record fits.
struct SearchResult {
    FrameHeader head;
    std::int32_t uflg;  // 1 = found
    std::uint32_t unused;
    UserProfile profile;
    char padding[128];  // tail of an 832-byte record; not interpreted
};

// ---- AddFriendRequest / AddFriendPush (19) ------------------------------------

struct AddFriendRequestRecord {
    FrameHeader head;
    std::uint32_t fromUid;  // own uid
    std::uint32_t toUid;    // user asked
    char verifyText[52];    // UTF-8, as typed
};

// At most 880 bytes; also the layout of stored add-friend requests. The profile
// fields describe the user who asked.
struct AddFriendPushRecord {
    FrameHeader head;
    std::uint32_t fromUid;  // user who asked
    std::uint32_t toUid;    // user who was asked
    std::int32_t sex;
    std::uint32_t headIndex;  // head picture number
    char account[128];
    char name[128];
    char nickName[128];
    char sign[128];
    char area[128];
    char phone[12];
    char birthday[12];
    char requestText[180];
};

// ---- AddFriendAnswer (20) -----------------------------------------------------

struct AddFriendAnswerRequest {
    FrameHeader head;
    std::uint32_t askerUid;  // user who asked
    std::uint32_t ownUid;
    std::uint32_t answer;  // 1 = accepted, 3 = automatic: already a friend
};

struct AddFriendAnswerResult {
    FrameHeader head;
    std::uint32_t unused;
    std::uint32_t suid;  // uid the result is about
    std::uint32_t iReturn;
};

// ---- Register (21) ------------------------------------------------------------

struct RegisterRequest {
    FrameHeader head;
    std::uint32_t uid;     // returned with the check number
    char account[64];      // phone number (Latin-1), used as the account
    char clientKind[128];  // "PC"
    std::uint32_t param1;  // server-defined, always 1
    char password[32];     // plain, Latin-1
    char phone[12];        // phone number again, Latin-1
    char checkNumber[8];   // as typed, Latin-1
    std::uint32_t param2;  // server-defined, always 1
};

struct RegisterResult {
    FrameHeader head;
    std::int32_t result;  // 0 = registered, 1 = account already registered
};

// ---- DeleteFriend (22) --------------------------------------------------------

struct DeleteFriendRequest {
    FrameHeader head;
    std::uint32_t ownUid;
    std::uint32_t friendUid;
};

struct DeleteFriendResult {
    FrameHeader head;
    std::uint32_t uid;
    std::uint32_t suid;  // user removed from the receiver's list
    std::uint32_t iReturn;
};

// ---- NewPassword (23) ---------------------------------------------------------

struct NewPasswordRequest {
    FrameHeader head;
    std::uint32_t uid;  // came with the check number
    char password[64];  // plain, Latin-1
};

struct NewPasswordResult {
    FrameHeader head;
    std::uint32_t result;  // 1 = changed
};

// ---- UpdateUserInfo (24) ------------------------------------------------------

struct UpdateUserInfoRequest {
    FrameHeader head;
    UserProfile profile;  // own profile as edited
};

struct UpdateUserInfoResult {
    FrameHeader head;
    std::uint32_t uid;
    std::uint32_t iReturn;
    std::uint32_t iVersion;
};

// ---- Logout (28) --------------------------------------------------------------

struct LogoutRequest {
    FrameHeader head;
    std::uint32_t uid;
    std::uint16_t status;  // always 5
    std::uint16_t spare;   // not significant; named so the record has no padding
};

// ---- LeaveMessage (29) --------------------------------------------------------

struct LeaveMessageRequest {
    FrameHeader head;
    std::uint32_t kind;       // always 1
    std::uint32_t uid;        // own uid
    std::uint32_t lastRowId;  // ServerDBRowID of the last item received, 0 at first
};

// Kind 1 is an offline chat message, kind 2 a complete add-friend record whose
// own header is not interpreted.
union LeaveMessageItem {
    tag_leave_message message;
    AddFriendPushRecord request;
};

struct LeaveMessageResult {
    FrameHeader head;
    std::int32_t Serial;          // item kind: 1 = chat message, 2 = add-friend request
    std::uint32_t ServerDBRowID;  // server's id of this item
    std::uint32_t endFlag;        // 0 = an item follows; otherwise the pull ends
    std::uint32_t BufLen;         // length of the item
    LeaveMessageItem item;
};

// ---- UploadFile (30), UploadFileResult (32), VersionInfo (33) -----------------

struct UploadFileRequest {
    FrameHeader head;
    std::uint32_t uid;   // own uid
    std::uint32_t kind;  // always 1
};

// The text runs to the record's end; the field spans the largest record.
struct UploadFileReply {
    FrameHeader head;
    char text[kKivMaxRecordLength - sizeof(FrameHeader)];  // upload instruction
};

struct UploadFileResultRecord {
    FrameHeader head;
    char text[kKivMaxRecordLength - sizeof(FrameHeader)];
};

struct VersionInfoResult {
    FrameHeader head;
    char version[20];
};

// ---- CheckNumber (34) ---------------------------------------------------------

struct CheckNumberRequest {
    FrameHeader head;
    std::uint32_t purpose;  // 1 = registration, 2 = password recovery
    char phone[12];         // Latin-1, zero-filled
};

struct CheckNumberResult {
    FrameHeader head;
    std::uint32_t purpose;  // 1 = registration, otherwise password recovery
    std::uint32_t uid;      // 0 in a recovery answer: the phone number is not registered
    std::uint32_t uResult;  // registration: 2 = issued, 1 = registered already or invalid
    char checkNumber[kKivMaxRecordLength - 32];  // runs to the record's end
};

// ---- SetMyShow (36), both directions ------------------------------------------

struct SetMyShowRecord {
    FrameHeader head;
    std::uint32_t uid;
    char sign[512];        // new signature text, UTF-8
    std::uint32_t result;  // server to client: non-zero = success
};

// ---- Heartbeat (10000) --------------------------------------------------------

struct HeartbeatRequest {
    FrameHeader head;
    std::uint32_t uid;
};

// ---- Minimum received lengths -------------------------------------------------

// Bytes a received record must have before KivRecordAs lets it be read. A
// fixed-size record must be complete. A record that the server may send shorter
// (the lists, the "at most" records and those ending in open text) must carry
// the leading fields that say how to read the rest; everything after reads as
// zero from the delivery buffer.
template <class R>
inline constexpr int KivMinRecordLength = static_cast<int>(sizeof(R));
template <>
inline constexpr int KivMinRecordLength<FriendListResult> = sizeof(FrameHeader);
template <>
inline constexpr int KivMinRecordLength<SearchResult> = offsetof(SearchResult, unused);
template <>
inline constexpr int KivMinRecordLength<AddFriendPushRecord> = offsetof(AddFriendPushRecord, sex);
template <>
inline constexpr int KivMinRecordLength<LeaveMessageResult> = offsetof(LeaveMessageResult, item);
template <>
inline constexpr int KivMinRecordLength<UploadFileReply> = sizeof(FrameHeader);
template <>
inline constexpr int KivMinRecordLength<UploadFileResultRecord> = sizeof(FrameHeader);
template <>
inline constexpr int KivMinRecordLength<VersionInfoResult> = sizeof(FrameHeader);
template <>
inline constexpr int KivMinRecordLength<CheckNumberResult> = offsetof(CheckNumberResult,
                                                                      checkNumber);

// ---- Helpers ------------------------------------------------------------------

// Fills a header as every sender does: length, command, magic, length again, 0.
void KivFillHeader(FrameHeader& head, std::uint32_t command, std::uint32_t length);

template <class R>
inline constexpr bool KivIsRecord =
    std::conjunction_v<std::is_standard_layout<R>, std::is_trivially_copyable<R>,
                       std::is_same<decltype(R::head), FrameHeader>>;

// Zero-fills a record and gives it a header for its full size.
template <class R>
void KivInitRecord(R& record, std::uint32_t command) {
    static_assert(KivIsRecord<R>, "not a wire record");
    std::memset(&record, 0, sizeof(R));
    KivFillHeader(record.head, command, static_cast<std::uint32_t>(sizeof(R)));
}

// Copies text into a fixed field: at most size - 1 bytes, always NUL-terminated,
// the rest of the field zero-filled. The text ends at its first NUL byte. A cut
// never leaves an incomplete UTF-8 sequence at the end. Returns false when the
// text did not fit whole (or size < 1).
bool KivWriteText(char* field, int size, const char* text, int length);

// `text` must be NUL-terminated; to copy another record's field, which may lack
// the terminator, read it with KivReadText first.
template <std::size_t N>
bool KivWriteText(char (&field)[N], const char* text) {
    return KivWriteText(field, static_cast<int>(N), text,
                        text == nullptr ? 0 : static_cast<int>(std::strlen(text)));
}

template <std::size_t N>
bool KivWriteText(char (&field)[N], const QByteArray& text) {
    return KivWriteText(field, static_cast<int>(N), text.constData(), text.size());
}

// Reads the NUL-terminated text of a fixed field; never reads past the field,
// even when the sender left no terminator.
QByteArray KivReadText(const char* field, int size);

template <std::size_t N>
QByteArray KivReadText(const char (&field)[N]) {
    return KivReadText(field, static_cast<int>(N));
}

// Views a received record as R, or nullptr when `length` is below
// KivMinRecordLength<R> or above kKivMaxRecordLength, or `data` is not aligned
// for R. A record shorter than sizeof(R) is read past its end, so `data` must
// point to a buffer of at least sizeof(R) bytes that reads as zero beyond
// `length`: the receive path's zero-filled delivery buffer of
// kKivMaxRecordLength bytes is exactly that.
template <class R>
const R* KivRecordAs(const char* data, int length) {
    static_assert(KivIsRecord<R>, "not a wire record");
    static_assert(sizeof(R) <= static_cast<std::size_t>(kKivMaxRecordLength),
                  "record larger than the delivery buffer");
    if (data == nullptr || length < KivMinRecordLength<R> || length > kKivMaxRecordLength ||
        reinterpret_cast<std::uintptr_t>(data) % alignof(R) != 0) {
        return nullptr;
    }
    return reinterpret_cast<const R*>(data);
}

// The FriendRecords of a list body. A count beyond what the body can hold is
// taken as the records that fit.
std::vector<FriendRecord> KivFriendRecords(const tag_friend_result& list);

// ---- Layout checks ------------------------------------------------------------

#define KIV_CHECK_SIZE(R, size)                                                 \
    static_assert(sizeof(R) == (size), #R " must be " #size " bytes");          \
    static_assert(std::is_standard_layout_v<R>, #R " must be standard layout"); \
    static_assert(std::is_trivially_copyable_v<R>, #R " must be trivially copyable")
#define KIV_CHECK_FIELD(R, field, offset) \
    static_assert(offsetof(R, field) == (offset), #R "::" #field " must be at " #offset)
#define KIV_CHECK_HEAD(R) KIV_CHECK_FIELD(R, head, 0)

KIV_CHECK_SIZE(FrameHeader, 20);
KIV_CHECK_FIELD(FrameHeader, length, 0);
KIV_CHECK_FIELD(FrameHeader, command, 4);
KIV_CHECK_FIELD(FrameHeader, magic, 8);
KIV_CHECK_FIELD(FrameHeader, length2, 12);
KIV_CHECK_FIELD(FrameHeader, reserved, 16);

KIV_CHECK_SIZE(UserProfile, 676);
KIV_CHECK_FIELD(UserProfile, uid, 0);
KIV_CHECK_FIELD(UserProfile, sex, 4);
KIV_CHECK_FIELD(UserProfile, head, 8);
KIV_CHECK_FIELD(UserProfile, account, 12);
KIV_CHECK_FIELD(UserProfile, name, 140);
KIV_CHECK_FIELD(UserProfile, nickName, 268);
KIV_CHECK_FIELD(UserProfile, sign, 396);
KIV_CHECK_FIELD(UserProfile, area, 524);
KIV_CHECK_FIELD(UserProfile, phone, 652);
KIV_CHECK_FIELD(UserProfile, birthday, 664);

KIV_CHECK_SIZE(FriendRecord, 136);
KIV_CHECK_FIELD(FriendRecord, uid, 0);
KIV_CHECK_FIELD(FriendRecord, name, 4);
KIV_CHECK_FIELD(FriendRecord, head, 132);

KIV_CHECK_SIZE(tag_friend_result, 8196);
KIV_CHECK_FIELD(tag_friend_result, count, 0);
KIV_CHECK_FIELD(tag_friend_result, data, 4);
static_assert(kKivMaxFriendRecords == 60, "a list body holds 60 friend records");

KIV_CHECK_SIZE(tag_leave_message, 1048);
KIV_CHECK_FIELD(tag_leave_message, uid, 0);
KIV_CHECK_FIELD(tag_leave_message, time, 4);
KIV_CHECK_FIELD(tag_leave_message, text, 24);

KIV_CHECK_SIZE(ptl_sys_send_per_media, 176);
KIV_CHECK_HEAD(ptl_sys_send_per_media);
KIV_CHECK_FIELD(ptl_sys_send_per_media, callerUid, 20);
KIV_CHECK_FIELD(ptl_sys_send_per_media, calleeUid, 24);
KIV_CHECK_FIELD(ptl_sys_send_per_media, state, 28);
KIV_CHECK_FIELD(ptl_sys_send_per_media, addressA, 32);
KIV_CHECK_FIELD(ptl_sys_send_per_media, videoPortA, 96);
KIV_CHECK_FIELD(ptl_sys_send_per_media, addressB, 100);
KIV_CHECK_FIELD(ptl_sys_send_per_media, videoPortB, 164);
KIV_CHECK_FIELD(ptl_sys_send_per_media, audioPortA, 168);
KIV_CHECK_FIELD(ptl_sys_send_per_media, audioPortB, 172);

KIV_CHECK_SIZE(ConnectCheckRequest, 532);
KIV_CHECK_HEAD(ConnectCheckRequest);
KIV_CHECK_FIELD(ConnectCheckRequest, text, 20);

KIV_CHECK_SIZE(ConnectCheckResult, 24);
KIV_CHECK_HEAD(ConnectCheckResult);
KIV_CHECK_FIELD(ConnectCheckResult, result, 20);

KIV_CHECK_SIZE(LoginRequest, 352);
KIV_CHECK_HEAD(LoginRequest);
KIV_CHECK_FIELD(LoginRequest, account, 20);
KIV_CHECK_FIELD(LoginRequest, password, 148);
KIV_CHECK_FIELD(LoginRequest, localIp, 212);
KIV_CHECK_FIELD(LoginRequest, param1, 340);
KIV_CHECK_FIELD(LoginRequest, param2, 344);
KIV_CHECK_FIELD(LoginRequest, param3, 348);

KIV_CHECK_SIZE(LoginResult, 1028);
KIV_CHECK_HEAD(LoginResult);
KIV_CHECK_FIELD(LoginResult, result, 20);
KIV_CHECK_FIELD(LoginResult, errorCode, 24);
KIV_CHECK_FIELD(LoginResult, uid, 28);
KIV_CHECK_FIELD(LoginResult, account, 32);
KIV_CHECK_FIELD(LoginResult, nickName, 160);
KIV_CHECK_FIELD(LoginResult, sign, 288);
KIV_CHECK_FIELD(LoginResult, sex, 800);
KIV_CHECK_FIELD(LoginResult, birthday, 804);
KIV_CHECK_FIELD(LoginResult, area, 816);
KIV_CHECK_FIELD(LoginResult, phone, 880);
KIV_CHECK_FIELD(LoginResult, giftBalance, 892);
KIV_CHECK_FIELD(LoginResult, vipFlag, 896);
KIV_CHECK_FIELD(LoginResult, headAdd, 900);

KIV_CHECK_SIZE(FriendListResult, 8216);
KIV_CHECK_HEAD(FriendListResult);
KIV_CHECK_FIELD(FriendListResult, list, 20);
static_assert(offsetof(FriendListResult, list) + offsetof(tag_friend_result, data) == 24,
              "the friend records start at offset 24");

KIV_CHECK_SIZE(VipListRequest, 8216);
KIV_CHECK_HEAD(VipListRequest);
KIV_CHECK_FIELD(VipListRequest, accountLength, 20);
KIV_CHECK_FIELD(VipListRequest, account, 24);

KIV_CHECK_SIZE(ChatMessageRecord, 1052);
KIV_CHECK_HEAD(ChatMessageRecord);
KIV_CHECK_FIELD(ChatMessageRecord, senderUid, 20);
KIV_CHECK_FIELD(ChatMessageRecord, receiverUid, 24);
KIV_CHECK_FIELD(ChatMessageRecord, text, 28);

KIV_CHECK_SIZE(SearchRequest, 164);
KIV_CHECK_HEAD(SearchRequest);
KIV_CHECK_FIELD(SearchRequest, uid, 20);
KIV_CHECK_FIELD(SearchRequest, account, 24);
KIV_CHECK_FIELD(SearchRequest, param1, 152);
KIV_CHECK_FIELD(SearchRequest, param2, 156);
KIV_CHECK_FIELD(SearchRequest, profileVersion, 160);

KIV_CHECK_SIZE(SearchResult, 832);
KIV_CHECK_HEAD(SearchResult);
KIV_CHECK_FIELD(SearchResult, uflg, 20);
KIV_CHECK_FIELD(SearchResult, unused, 24);
KIV_CHECK_FIELD(SearchResult, profile, 28);
KIV_CHECK_FIELD(SearchResult, padding, 704);
static_assert(offsetof(SearchResult, profile) + offsetof(UserProfile, account) == 40,
              "the found account starts at offset 40");

KIV_CHECK_SIZE(AddFriendRequestRecord, 80);
KIV_CHECK_HEAD(AddFriendRequestRecord);
KIV_CHECK_FIELD(AddFriendRequestRecord, fromUid, 20);
KIV_CHECK_FIELD(AddFriendRequestRecord, toUid, 24);
KIV_CHECK_FIELD(AddFriendRequestRecord, verifyText, 28);

KIV_CHECK_SIZE(AddFriendPushRecord, 880);
KIV_CHECK_HEAD(AddFriendPushRecord);
KIV_CHECK_FIELD(AddFriendPushRecord, fromUid, 20);
KIV_CHECK_FIELD(AddFriendPushRecord, toUid, 24);
KIV_CHECK_FIELD(AddFriendPushRecord, sex, 28);
KIV_CHECK_FIELD(AddFriendPushRecord, headIndex, 32);
KIV_CHECK_FIELD(AddFriendPushRecord, account, 36);
KIV_CHECK_FIELD(AddFriendPushRecord, name, 164);
KIV_CHECK_FIELD(AddFriendPushRecord, nickName, 292);
KIV_CHECK_FIELD(AddFriendPushRecord, sign, 420);
KIV_CHECK_FIELD(AddFriendPushRecord, area, 548);
KIV_CHECK_FIELD(AddFriendPushRecord, phone, 676);
KIV_CHECK_FIELD(AddFriendPushRecord, birthday, 688);
KIV_CHECK_FIELD(AddFriendPushRecord, requestText, 700);

KIV_CHECK_SIZE(AddFriendAnswerRequest, 32);
KIV_CHECK_HEAD(AddFriendAnswerRequest);
KIV_CHECK_FIELD(AddFriendAnswerRequest, askerUid, 20);
KIV_CHECK_FIELD(AddFriendAnswerRequest, ownUid, 24);
KIV_CHECK_FIELD(AddFriendAnswerRequest, answer, 28);

KIV_CHECK_SIZE(AddFriendAnswerResult, 32);
KIV_CHECK_HEAD(AddFriendAnswerResult);
KIV_CHECK_FIELD(AddFriendAnswerResult, unused, 20);
KIV_CHECK_FIELD(AddFriendAnswerResult, suid, 24);
KIV_CHECK_FIELD(AddFriendAnswerResult, iReturn, 28);

KIV_CHECK_SIZE(RegisterRequest, 276);
KIV_CHECK_HEAD(RegisterRequest);
KIV_CHECK_FIELD(RegisterRequest, uid, 20);
KIV_CHECK_FIELD(RegisterRequest, account, 24);
KIV_CHECK_FIELD(RegisterRequest, clientKind, 88);
KIV_CHECK_FIELD(RegisterRequest, param1, 216);
KIV_CHECK_FIELD(RegisterRequest, password, 220);
KIV_CHECK_FIELD(RegisterRequest, phone, 252);
KIV_CHECK_FIELD(RegisterRequest, checkNumber, 264);
KIV_CHECK_FIELD(RegisterRequest, param2, 272);

KIV_CHECK_SIZE(RegisterResult, 24);
KIV_CHECK_HEAD(RegisterResult);
KIV_CHECK_FIELD(RegisterResult, result, 20);

KIV_CHECK_SIZE(DeleteFriendRequest, 28);
KIV_CHECK_HEAD(DeleteFriendRequest);
KIV_CHECK_FIELD(DeleteFriendRequest, ownUid, 20);
KIV_CHECK_FIELD(DeleteFriendRequest, friendUid, 24);

KIV_CHECK_SIZE(DeleteFriendResult, 32);
KIV_CHECK_HEAD(DeleteFriendResult);
KIV_CHECK_FIELD(DeleteFriendResult, uid, 20);
KIV_CHECK_FIELD(DeleteFriendResult, suid, 24);
KIV_CHECK_FIELD(DeleteFriendResult, iReturn, 28);

KIV_CHECK_SIZE(NewPasswordRequest, 88);
KIV_CHECK_HEAD(NewPasswordRequest);
KIV_CHECK_FIELD(NewPasswordRequest, uid, 20);
KIV_CHECK_FIELD(NewPasswordRequest, password, 24);

KIV_CHECK_SIZE(NewPasswordResult, 24);
KIV_CHECK_HEAD(NewPasswordResult);
KIV_CHECK_FIELD(NewPasswordResult, result, 20);

KIV_CHECK_SIZE(UpdateUserInfoRequest, 696);
KIV_CHECK_HEAD(UpdateUserInfoRequest);
KIV_CHECK_FIELD(UpdateUserInfoRequest, profile, 20);

KIV_CHECK_SIZE(UpdateUserInfoResult, 32);
KIV_CHECK_HEAD(UpdateUserInfoResult);
KIV_CHECK_FIELD(UpdateUserInfoResult, uid, 20);
KIV_CHECK_FIELD(UpdateUserInfoResult, iReturn, 24);
KIV_CHECK_FIELD(UpdateUserInfoResult, iVersion, 28);

KIV_CHECK_SIZE(LogoutRequest, 28);
KIV_CHECK_HEAD(LogoutRequest);
KIV_CHECK_FIELD(LogoutRequest, uid, 20);
KIV_CHECK_FIELD(LogoutRequest, status, 24);
KIV_CHECK_FIELD(LogoutRequest, spare, 26);

KIV_CHECK_SIZE(LeaveMessageRequest, 32);
KIV_CHECK_HEAD(LeaveMessageRequest);
KIV_CHECK_FIELD(LeaveMessageRequest, kind, 20);
KIV_CHECK_FIELD(LeaveMessageRequest, uid, 24);
KIV_CHECK_FIELD(LeaveMessageRequest, lastRowId, 28);

KIV_CHECK_SIZE(LeaveMessageItem, 1048);
KIV_CHECK_FIELD(LeaveMessageItem, message, 0);
KIV_CHECK_FIELD(LeaveMessageItem, request, 0);

KIV_CHECK_SIZE(LeaveMessageResult, 36 + 1048);
KIV_CHECK_HEAD(LeaveMessageResult);
KIV_CHECK_FIELD(LeaveMessageResult, Serial, 20);
KIV_CHECK_FIELD(LeaveMessageResult, ServerDBRowID, 24);
KIV_CHECK_FIELD(LeaveMessageResult, endFlag, 28);
KIV_CHECK_FIELD(LeaveMessageResult, BufLen, 32);
KIV_CHECK_FIELD(LeaveMessageResult, item, 36);
static_assert(offsetof(LeaveMessageResult, item) + offsetof(tag_leave_message, text) == 60,
              "an offline message text starts at offset 60");
static_assert(offsetof(LeaveMessageResult, item) + offsetof(AddFriendPushRecord, fromUid) == 56 &&
                  offsetof(LeaveMessageResult, item) + offsetof(AddFriendPushRecord, toUid) == 60 &&
                  offsetof(LeaveMessageResult, item) + offsetof(AddFriendPushRecord, account) ==
                      72 &&
                  offsetof(LeaveMessageResult, item) + offsetof(AddFriendPushRecord, requestText) ==
                      736,
              "a stored add-friend request sits at offset 36 with its own header");

KIV_CHECK_SIZE(UploadFileRequest, 28);
KIV_CHECK_HEAD(UploadFileRequest);
KIV_CHECK_FIELD(UploadFileRequest, uid, 20);
KIV_CHECK_FIELD(UploadFileRequest, kind, 24);

KIV_CHECK_SIZE(UploadFileReply, kKivMaxRecordLength);
KIV_CHECK_HEAD(UploadFileReply);
KIV_CHECK_FIELD(UploadFileReply, text, 20);

KIV_CHECK_SIZE(UploadFileResultRecord, kKivMaxRecordLength);
KIV_CHECK_HEAD(UploadFileResultRecord);
KIV_CHECK_FIELD(UploadFileResultRecord, text, 20);

KIV_CHECK_SIZE(VersionInfoResult, 40);
KIV_CHECK_HEAD(VersionInfoResult);
KIV_CHECK_FIELD(VersionInfoResult, version, 20);

KIV_CHECK_SIZE(CheckNumberRequest, 36);
KIV_CHECK_HEAD(CheckNumberRequest);
KIV_CHECK_FIELD(CheckNumberRequest, purpose, 20);
KIV_CHECK_FIELD(CheckNumberRequest, phone, 24);

KIV_CHECK_SIZE(CheckNumberResult, kKivMaxRecordLength);
KIV_CHECK_HEAD(CheckNumberResult);
KIV_CHECK_FIELD(CheckNumberResult, purpose, 20);
KIV_CHECK_FIELD(CheckNumberResult, uid, 24);
KIV_CHECK_FIELD(CheckNumberResult, uResult, 28);
KIV_CHECK_FIELD(CheckNumberResult, checkNumber, 32);

KIV_CHECK_SIZE(SetMyShowRecord, 540);
KIV_CHECK_HEAD(SetMyShowRecord);
KIV_CHECK_FIELD(SetMyShowRecord, uid, 20);
KIV_CHECK_FIELD(SetMyShowRecord, sign, 24);
KIV_CHECK_FIELD(SetMyShowRecord, result, 536);

KIV_CHECK_SIZE(HeartbeatRequest, 24);
KIV_CHECK_HEAD(HeartbeatRequest);
KIV_CHECK_FIELD(HeartbeatRequest, uid, 20);

#undef KIV_CHECK_HEAD
#undef KIV_CHECK_FIELD
#undef KIV_CHECK_SIZE
