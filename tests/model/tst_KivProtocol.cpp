#include <QtTest>
#include <cstring>

#include "KivProtocol.h"
#include "KivTestRegistry.h"

namespace {

// Writes a little-endian word byte by byte, independent of the struct layouts.
void put32(QByteArray& bytes, int offset, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
    }
}

void putBytes(QByteArray& bytes, int offset, const QByteArray& text) {
    std::memcpy(bytes.data() + offset, text.constData(), static_cast<size_t>(text.size()));
}

// A field followed by non-zero bytes, to catch reads running past the field.
struct GuardedField {
    char field[8];
    char after[8];
};

bool viewable(int command, const char* data, int length) {
    switch (command) {
        case ConnectCheck:
            return KivRecordAs<ConnectCheckResult>(data, length) != nullptr;
        case Login:
            return KivRecordAs<LoginResult>(data, length) != nullptr;
        case FriendList:
            return KivRecordAs<FriendListResult>(data, length) != nullptr;
        case Search:
            return KivRecordAs<SearchResult>(data, length) != nullptr;
        case LeaveMessage:
            return KivRecordAs<LeaveMessageResult>(data, length) != nullptr;
        case UploadFile:
            return KivRecordAs<UploadFileReply>(data, length) != nullptr;
        case CheckNumber:
            return KivRecordAs<CheckNumberResult>(data, length) != nullptr;
        default:
            return false;
    }
}

}  // namespace

class TestKivProtocol : public QObject {
    Q_OBJECT

private slots:
    void writeText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("fits");

        // The field holds 8 bytes: at most 7 of text and the terminator.
        QTest::newRow("empty") << QByteArray("") << QByteArray("") << true;
        QTest::newRow("short") << QByteArray("abc") << QByteArray("abc") << true;
        QTest::newRow("exactly N-1") << QByteArray("abcdefg") << QByteArray("abcdefg") << true;
        QTest::newRow("exactly N") << QByteArray("abcdefgh") << QByteArray("abcdefg") << false;
        QTest::newRow("longer") << QByteArray("abcdefghijklmnop") << QByteArray("abcdefg") << false;
        QTest::newRow("2-byte sequence ends at N-1")
            << QByteArray("abcde\xC3\xA9") << QByteArray("abcde\xC3\xA9") << true;
        QTest::newRow("2-byte sequence across the cut")
            << QByteArray("abcdef\xC3\xA9") << QByteArray("abcdef") << false;
        QTest::newRow("3-byte sequence fits")
            << QByteArray("abcd\xE4\xB8\xAD") << QByteArray("abcd\xE4\xB8\xAD") << true;
        QTest::newRow("3-byte sequence, last byte cut")
            << QByteArray("abcde\xE4\xB8\xAD") << QByteArray("abcde") << false;
        QTest::newRow("3-byte sequence, two bytes cut")
            << QByteArray("abcdef\xE4\xB8\xAD") << QByteArray("abcdef") << false;
        QTest::newRow("3-byte sequence starts at the cut")
            << QByteArray("abcdefg\xE4\xB8\xAD") << QByteArray("abcdefg") << false;
        QTest::newRow("two 3-byte sequences")
            << QByteArray("ab\xE4\xB8\xAD\xE6\x96\x87") << QByteArray("ab\xE4\xB8\xAD") << false;
        QTest::newRow("4-byte sequence fits")
            << QByteArray("abc\xF0\x9F\x98\x80") << QByteArray("abc\xF0\x9F\x98\x80") << true;
        QTest::newRow("4-byte sequence across the cut")
            << QByteArray("abcd\xF0\x9F\x98\x80") << QByteArray("abcd") << false;
        QTest::newRow("stray continuation bytes cut exactly")
            << QByteArray("abcdef\x80\x80") << QByteArray("abcdef\x80") << false;
        QTest::newRow("Latin-1 byte before the cut kept")
            << QByteArray("abcdef\xE9xyz") << QByteArray("abcdef\xE9") << false;
    }

    void writeText() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, stored);
        QFETCH(bool, fits);

        for (bool asCString : {false, true}) {
            char field[8];
            std::memset(field, 'X', sizeof field);
            const bool written =
                asCString ? KivWriteText(field, text.constData()) : KivWriteText(field, text);
            QCOMPARE(written, fits);
            QCOMPARE(QByteArray(field, stored.size()), stored);
            for (int i = stored.size(); i < int(sizeof field); ++i) {
                QCOMPARE(field[i], '\0');
            }
        }
    }

    void writeTextEdges() {
        char field[8];
        std::memset(field, 'X', sizeof field);
        QVERIFY(!KivWriteText(field, QByteArray("abc\0def", 7)));
        QCOMPARE(KivReadText(field), QByteArray("abc"));
        QCOMPARE(QByteArray(field, 8), QByteArray(8 - 3, '\0').prepend("abc"));

        std::memset(field, 'X', sizeof field);
        QVERIFY(KivWriteText(field, static_cast<const char*>(nullptr)));
        QCOMPARE(QByteArray(field, 8), QByteArray(8, '\0'));

        char one[1] = {'X'};
        QVERIFY(!KivWriteText(one, "a"));
        QCOMPARE(one[0], '\0');
        QVERIFY(KivWriteText(one, ""));

        std::memset(field, 'X', sizeof field);
        QVERIFY(!KivWriteText(field, 0, "a", 1));
        QVERIFY(!KivWriteText(field, -5, "a", 1));
        QCOMPARE(QByteArray(field, 8), QByteArray(8, 'X'));
    }

    void readText_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("terminated") << QByteArray("abc\0defg", 8) << QByteArray("abc");
        QTest::newRow("empty") << QByteArray("\0bcdefgh", 8) << QByteArray("");
        QTest::newRow("terminator last") << QByteArray("ABCDEFG\0", 8) << QByteArray("ABCDEFG");
        QTest::newRow("unterminated") << QByteArray("ABCDEFGH", 8) << QByteArray("ABCDEFGH");
        QTest::newRow("utf-8") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87\0\0", 8)
                               << QByteArray("\xE4\xB8\xAD\xE6\x96\x87");
    }

    void readText() {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, text);

        GuardedField guarded;
        std::memcpy(guarded.field, raw.constData(), sizeof guarded.field);
        std::memset(guarded.after, 'Z', sizeof guarded.after);
        QCOMPARE(KivReadText(guarded.field), text);
        QCOMPARE(KivReadText(guarded.field, int(sizeof guarded.field)), text);
    }

    void readTextRefusesBadArguments() {
        QVERIFY(KivReadText(nullptr, 8).isEmpty());
        QVERIFY(KivReadText("abc", 0).isEmpty());
        QVERIFY(KivReadText("abc", -1).isEmpty());
        QCOMPARE(KivReadText("abcdef", 2), QByteArray("ab"));
    }

    void fillHeaderBytes() {
        FrameHeader head;
        std::memset(&head, 0xAA, sizeof head);
        KivFillHeader(head, Heartbeat, 24);

        const unsigned char expected[20] = {24,   0,    0,  0, 0x10, 0x27, 0, 0, 0x1C, 0x1F,
                                            0x1E, 0x1D, 24, 0, 0,    0,    0, 0, 0,    0};
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&head), 20),
                 QByteArray(reinterpret_cast<const char*>(expected), 20));
    }

    void initRecordClearsStaleBytes() {
        LogoutRequest record;
        std::memset(&record, 0x5A, sizeof record);
        KivInitRecord(record, Logout);

        QCOMPARE(record.head.length, 28u);
        QCOMPARE(record.head.command, quint32(Logout));
        QCOMPARE(record.head.magic, FRAME_MAGIC);
        QCOMPARE(record.head.length2, 28u);
        const QByteArray body(reinterpret_cast<const char*>(&record) + 16, 12);
        QCOMPARE(body, QByteArray(12, '\0'));
    }

    void loginResultOverRawBytes() {
        QByteArray raw(kKivMaxRecordLength, '\0');
        put32(raw, 0, 1028);
        put32(raw, 4, 12);
        putBytes(raw, 8, QByteArray("\x1C\x1F\x1E\x1D"));
        put32(raw, 12, 1028);
        put32(raw, 20, 0xFFFFFFFFu);
        put32(raw, 24, 7);
        put32(raw, 28, 123456);
        putBytes(raw, 32, "alice");
        putBytes(raw, 160, "\xE7\x88\xB1\xE4\xB8\xBD\xE4\xB8\x9D");
        putBytes(raw, 288, QByteArray(511, 's'));
        put32(raw, 800, 1);
        putBytes(raw, 804, "1990-01-02");
        putBytes(raw, 816, "Beijing");
        putBytes(raw, 880, "138001380001");  // fills the field, no terminator
        put32(raw, 892, 0x449A522Bu);        // 1234.5677f
        put32(raw, 896, 1);
        putBytes(raw, 900, "10001");

        const auto* login = KivRecordAs<LoginResult>(raw.constData(), 1028);
        QVERIFY(login != nullptr);
        QCOMPARE(login->head.magic, FRAME_MAGIC);
        QCOMPARE(login->head.command, quint32(Login));
        QCOMPARE(login->result, -1);
        QCOMPARE(login->errorCode, 7);
        QCOMPARE(login->uid, 123456u);
        QCOMPARE(KivReadText(login->account), QByteArray("alice"));
        QCOMPARE(QString::fromUtf8(KivReadText(login->nickName)), QStringLiteral("爱丽丝"));
        QCOMPARE(KivReadText(login->sign), QByteArray(511, 's'));
        QCOMPARE(login->sex, 1);
        QCOMPARE(KivReadText(login->birthday), QByteArray("1990-01-02"));
        QCOMPARE(KivReadText(login->area), QByteArray("Beijing"));
        QCOMPARE(KivReadText(login->phone), QByteArray("138001380001"));
        QCOMPARE(login->giftBalance, 1234.5677f);
        QCOMPARE(login->vipFlag, 1u);
        QCOMPARE(KivReadText(login->headAdd), QByteArray("10001"));
    }

    void recordAsLength_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("connect check complete") << int(ConnectCheck) << 24 << true;
        QTest::newRow("connect check without result") << int(ConnectCheck) << 20 << false;
        QTest::newRow("login result complete") << int(Login) << 1028 << true;
        QTest::newRow("login result one byte short") << int(Login) << 1027 << false;
        QTest::newRow("friend list, header only") << int(FriendList) << 20 << true;
        QTest::newRow("friend list below the header") << int(FriendList) << 19 << false;
        QTest::newRow("search miss, uflg only") << int(Search) << 24 << true;
        QTest::newRow("search without uflg") << int(Search) << 23 << false;
        QTest::newRow("leave message end, no item") << int(LeaveMessage) << 36 << true;
        QTest::newRow("leave message without BufLen") << int(LeaveMessage) << 35 << false;
        QTest::newRow("check number without text") << int(CheckNumber) << 32 << true;
        QTest::newRow("check number without uResult") << int(CheckNumber) << 31 << false;
        QTest::newRow("upload text empty") << int(UploadFile) << 20 << true;
        QTest::newRow("upload text to the limit") << int(UploadFile) << 16384 << true;
        QTest::newRow("longer than the limit") << int(UploadFile) << 16385 << false;
        QTest::newRow("negative length") << int(Login) << -1 << false;
        QTest::newRow("zero length") << int(FriendList) << 0 << false;
    }

    void recordAsLength() {
        QFETCH(int, command);
        QFETCH(int, length);
        QFETCH(bool, accepted);

        const QByteArray delivery(kKivMaxRecordLength, '\0');
        QCOMPARE(viewable(command, delivery.constData(), length), accepted);
    }

    void recordAsRefusesBadPointers() {
        const QByteArray delivery(kKivMaxRecordLength + 4, '\0');
        QVERIFY(KivRecordAs<LoginResult>(nullptr, 1028) == nullptr);
        QVERIFY(KivRecordAs<LoginResult>(delivery.constData() + 1, 1028) == nullptr);
        QVERIFY(KivRecordAs<LoginResult>(delivery.constData() + 4, 1028) != nullptr);
    }

    void shortListReadsZeroTail() {
        QByteArray delivery(kKivMaxRecordLength, '\0');
        put32(delivery, 0, 20);
        put32(delivery, 4, FriendList);
        const auto* list = KivRecordAs<FriendListResult>(delivery.constData(), 20);
        QVERIFY(list != nullptr);
        QVERIFY(KivFriendRecords(list->list).empty());
    }

    void friendRecords_data() {
        QTest::addColumn<quint32>("count");
        QTest::addColumn<int>("expected");

        QTest::newRow("none") << 0u << 0;
        QTest::newRow("two") << 2u << 2;
        QTest::newRow("full") << 60u << 60;
        QTest::newRow("one beyond the body") << 61u << 60;
        QTest::newRow("hostile count") << 0xFFFFFFFFu << 60;
    }

    void friendRecords() {
        QFETCH(quint32, count);
        QFETCH(int, expected);

        QByteArray body(int(sizeof(tag_friend_result)), '\0');
        put32(body, 0, count);
        for (int i = 0; i < 60; ++i) {
            const int at = 4 + 136 * i;
            put32(body, at, 1000u + quint32(i));
            putBytes(body, at + 4, "friend " + QByteArray::number(i));
            put32(body, at + 132, quint32(i));
        }
        tag_friend_result list;
        std::memcpy(&list, body.constData(), sizeof list);

        const std::vector<FriendRecord> records = KivFriendRecords(list);
        QCOMPARE(int(records.size()), expected);
        for (int i = 0; i < expected; ++i) {
            QCOMPARE(records[size_t(i)].uid, 1000u + quint32(i));
            QCOMPARE(KivReadText(records[size_t(i)].name), "friend " + QByteArray::number(i));
            QCOMPARE(records[size_t(i)].head, quint32(i));
        }
    }
};

KIV_TEST_CLASS(TestKivProtocol)
#include "tst_KivProtocol.moc"
