// Feeds whole records, cut from the input as the socket cuts its stream, to
// the net model's dispatcher with a real chat database in a temporary folder.
// After every input the database must still take and give back a message.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRecordCutter.h"
#include "KivProtocol.h"

namespace {

constexpr std::uint32_t kOwnUid = 501;
constexpr std::uint32_t kFriendUid = 502;

struct Session {
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
};

Session* session = nullptr;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A message from the friend goes in, and the table counts one row more.
void checkDatabaseUsable() {
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    check(!db->GetDatabaseFile().isEmpty());
    const int before = db->Select_chat_table();
    ChatMessageRecord probe;
    KivInitRecord(probe, ChatMessage);
    probe.senderUid = kFriendUid;
    probe.receiverUid = kOwnUid;
    KivWriteText(probe.text, "probe");
    check(db->InsertMsg(reinterpret_cast<const char*>(&probe)));
    check(db->Select_chat_table() > before);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    session = new Session;
    session->app = std::make_unique<QCoreApplication>(*argc, *argv);
    session->folder = std::make_unique<QTemporaryDir>();
    check(session->folder->isValid());
    QDir::setCurrent(session->folder->path());
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    check(db->CreateDB(QStringLiteral("fuzz")));
    check(db->ConnectDB());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    CKivRecordCutter cutter;
    if (cutter.append(reinterpret_cast<const char*>(data), static_cast<int>(size))) {
        while (cutter.next() == CKivRecordCutter::Status::Delivered) {
            net->Socket_Kernel(cutter.record(), cutter.recordLength());
        }
    }
    // Signals queued for receivers on this thread would pile up otherwise.
    QCoreApplication::processEvents();
    checkDatabaseUsable();
    return 0;
}
