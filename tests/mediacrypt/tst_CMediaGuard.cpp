#include <QtTest>

#include <cstring>
#include <set>
#include <vector>

#include "CMediaCallKeys.h"
#include "CMediaGuard.h"
#include "KivTestRegistry.h"
#include "MediaDatagram.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kPeer = 0x7F000001;
constexpr std::uint16_t kPeerPort = 4000;

// A plain fragment: one whole frame of `payload` bytes with this sequence.
Bytes Fragment(std::uint32_t sequence, int payload = 200,
               std::uint32_t magic = MediaDatagram::kPlainMagic) {
    Bytes fragment(size_t(16 + payload));
    MediaDatagram::Put32(fragment.data(), magic);
    fragment[6] = 1;  // one fragment
    MediaDatagram::Put32(fragment.data() + 8, sequence);
    fragment[12] = 1;
    fragment[14] = std::uint8_t(payload);
    fragment[15] = std::uint8_t(payload >> 8);
    for (int i = 0; i < payload; ++i) {
        fragment[size_t(16 + i)] = std::uint8_t(sequence + std::uint32_t(i) * 13);
    }
    return fragment;
}

Bytes Copy(const CMediaGuard::Span& span) {
    return Bytes(span.data, span.data + span.length);
}

// Both sides of one call, the caller's answer taken, the callee still
// waiting for the reveal.
struct Call {
    std::shared_ptr<CMediaCallKeys> caller = CMediaCallKeys::ForCaller(7, 9);
    std::shared_ptr<CMediaCallKeys> callee = CMediaCallKeys::ForCallee(7, 9, caller->OwnTail());
    CMediaGuard callerAudio{caller, MediaKind::Audio};
    CMediaGuard calleeAudio{callee, MediaKind::Audio};
    CMediaGuard calleeVideo{callee, MediaKind::Video};

    Call() { caller->TakeAnswer(callee->OwnTail()); }

    // The caller seals n fragments, sequences from `first`.
    std::vector<Bytes> Sealed(int n, std::uint32_t first = 0) {
        std::vector<Bytes> out;
        for (int i = 0; i < n; ++i) {
            const Bytes plain = Fragment(first + std::uint32_t(i));
            out.push_back(Copy(callerAudio.Seal(plain.data(), int(plain.size()))));
        }
        return out;
    }
    bool Heard(const Bytes& datagram, std::uint32_t from = kPeer) {
        return calleeAudio.Open(from, kPeerPort, datagram.data(), int(datagram.size())).length > 0;
    }
};

}  // namespace

class tst_CMediaGuard : public QObject {
    Q_OBJECT
private slots:
    // The callee sends nothing until the caller's revealed half matches the
    // commitment; then both hold the same keys and the same short code, and
    // the caller stops revealing once it hears the callee.
    void theCommitmentIsKeptBeforeAnythingFlows() {
        Call call;
        QCOMPARE(call.caller->GetState(), CMediaCallKeys::State::Encrypted);
        QCOMPARE(call.callee->GetState(), CMediaCallKeys::State::AwaitingReveal);
        const Bytes plain = Fragment(1);
        QCOMPARE(call.calleeAudio.Seal(plain.data(), int(plain.size())).length, 0);

        const Bytes first = call.Sealed(1)[0];
        QCOMPARE(first.size(), plain.size() + 16 + 32 + 16);
        QVERIFY(call.Heard(first));
        QCOMPARE(call.callee->GetState(), CMediaCallKeys::State::Encrypted);
        QCOMPARE(call.callee->ShortCode(), call.caller->ShortCode());
        QVERIFY(!call.caller->ShortCode().empty());

        const Bytes back = Copy(call.calleeAudio.Seal(plain.data(), int(plain.size())));
        QCOMPARE(back.size(), plain.size() + 16 + 16);
        const CMediaGuard::Span opened =
            call.callerAudio.Open(kPeer, 5000, back.data(), int(back.size()));
        QCOMPARE(Copy(opened), plain);
        QCOMPARE(call.Sealed(1, 2)[0].size(), plain.size() + 16 + 16);
    }

    // A server that swaps the caller's commitment for its own cannot pass a
    // half of its own off: the reveal no longer matches.
    void aSwappedCommitmentIsRefused() {
        auto caller = CMediaCallKeys::ForCaller(7, 9);
        auto server = CMediaCallKeys::ForCaller(7, 9);
        auto callee = CMediaCallKeys::ForCallee(7, 9, server->OwnTail());
        caller->TakeAnswer(callee->OwnTail());
        CMediaGuard sender(caller, MediaKind::Audio);
        CMediaGuard receiver(callee, MediaKind::Audio);
        const Bytes plain = Fragment(0);
        const Bytes sealed = Copy(sender.Seal(plain.data(), int(plain.size())));
        QCOMPARE(receiver.Open(kPeer, kPeerPort, sealed.data(), int(sealed.size())).length, 0);
        QCOMPARE(receiver.GetCounts().unauthenticated, 1u);
        QCOMPARE(callee->GetState(), CMediaCallKeys::State::AwaitingReveal);
    }

    // What must not reach the assembler during an encrypted call, and that
    // the call goes on after it.
    void onlyThePeersFreshDatagramsPass_data() {
        QTest::addColumn<QString>("attack");
        QTest::addColumn<int>("unauthenticated");
        QTest::addColumn<int>("replayed");
        QTest::addColumn<int>("foreign");
        QTest::addColumn<int>("plainRefused");
        QTest::newRow("tampered tag") << "tag" << 1 << 0 << 0 << 0;
        QTest::newRow("tampered head") << "head" << 1 << 0 << 0 << 0;
        QTest::newRow("tampered payload") << "payload" << 1 << 0 << 0 << 0;
        QTest::newRow("replayed") << "replay" << 0 << 1 << 0 << 0;
        QTest::newRow("counter outside the window") << "old" << 0 << 1 << 0 << 0;
        QTest::newRow("reordered inside the window") << "reorder" << 0 << 0 << 0 << 0;
        QTest::newRow("another address") << "source" << 0 << 0 << 1 << 0;
        QTest::newRow("a plain fragment") << "plain" << 0 << 0 << 0 << 1;
        QTest::newRow("sealed for the video") << "video" << 1 << 0 << 0 << 0;
    }
    void onlyThePeersFreshDatagramsPass() {
        QFETCH(QString, attack);
        QFETCH(int, unauthenticated);
        QFETCH(int, replayed);
        QFETCH(int, foreign);
        QFETCH(int, plainRefused);
        Call call;
        const std::vector<Bytes> sealed = call.Sealed(80);
        for (int i = 0; i < 70; ++i) {
            if (attack != QLatin1String("reorder") || i < 60) {
                QVERIFY(call.Heard(sealed[size_t(i)]));
            }
        }
        Bytes forged = sealed[70];
        bool passes = false;
        if (attack == QLatin1String("tag")) {
            forged.back() ^= 1;
        } else if (attack == QLatin1String("head")) {
            forged[16 + 8] ^= 1;  // the fragment's sequence, after the sealed head
        } else if (attack == QLatin1String("payload")) {
            forged[40] ^= 0x80;
        } else if (attack == QLatin1String("replay")) {
            forged = sealed[69];
        } else if (attack == QLatin1String("old")) {
            // 67 behind the highest taken: too old to tell whether it was.
            forged = sealed[2];
        } else if (attack == QLatin1String("reorder")) {
            forged = sealed[65];
            passes = true;
        } else if (attack == QLatin1String("plain")) {
            forged = Fragment(70);
        } else if (attack == QLatin1String("video")) {
            // The video's counter at the same place: only the key differs.
            CMediaGuard callerVideo(call.caller, MediaKind::Video);
            const Bytes plain = Fragment(70);
            for (int i = 0; i <= 70; ++i) {
                forged = Copy(callerVideo.Seal(plain.data(), int(plain.size())));
            }
        }
        const std::uint32_t from = attack == QLatin1String("source") ? kPeer + 1 : kPeer;
        QCOMPARE(call.Heard(forged, from), passes);
        const CMediaGuard::Counts counts = call.calleeAudio.GetCounts();
        QCOMPARE(int(counts.unauthenticated), unauthenticated);
        QCOMPARE(int(counts.replayed), replayed);
        QCOMPARE(int(counts.foreignSource), foreign);
        QCOMPARE(int(counts.plainRefused), plainRefused);
        // The call plays on.
        for (int i = 71; i < 80; ++i) {
            QVERIFY(call.Heard(sealed[size_t(i)]));
        }
    }

    // A plain call takes the first source that sends a well-formed fragment;
    // a malformed datagram does not claim it.
    void aPlainCallKeepsToItsFirstSender() {
        CMediaGuard guard(nullptr, MediaKind::Video);
        const Bytes junk(40, 0xAB);
        QCOMPARE(guard.Open(kPeer + 5, 1, junk.data(), int(junk.size())).length, 0);
        const Bytes fragment = Fragment(3);
        const CMediaGuard::Span passed =
            guard.Open(kPeer, kPeerPort, fragment.data(), int(fragment.size()));
        QCOMPARE(Copy(passed), fragment);
        QCOMPARE(guard.Open(kPeer, kPeerPort + 1, fragment.data(), int(fragment.size())).length, 0);
        QCOMPARE(guard.GetCounts().foreignSource, 1u);
        QCOMPARE(guard.GetCounts().malformed, 1u);
        QCOMPARE(QString::fromStdString(guard.DropSummary()),
                 QStringLiteral("2 datagrams dropped: 1 from another address, 1 malformed"));
        QVERIFY(CMediaGuard(nullptr, MediaKind::Audio).DropSummary().empty());
        QCOMPARE(Copy(guard.Seal(fragment.data(), int(fragment.size()))), fragment);
    }

    // The caller sends nothing before the answer; an answer whose key yields
    // no secret fails the call rather than making it plain.
    void nothingFlowsWithoutAgreedKeys() {
        auto caller = CMediaCallKeys::ForCaller(7, 9);
        CMediaGuard guard(caller, MediaKind::Audio);
        const Bytes fragment = Fragment(0);
        QCOMPARE(guard.Seal(fragment.data(), int(fragment.size())).length, 0);
        QCOMPARE(guard.Open(kPeer, kPeerPort, fragment.data(), int(fragment.size())).length, 0);
        MediaKeyTail::Value zero;
        zero.kind = MediaKeyTail::Kind::Public;
        caller->TakeAnswer(zero);
        QCOMPARE(caller->GetState(), CMediaCallKeys::State::Failed);
        QCOMPARE(guard.Seal(fragment.data(), int(fragment.size())).length, 0);
    }

    // Sound sends each frame a second time under the copy magic. A receiver
    // that knows only the first magic refuses the copy; the gate takes it,
    // plain or sealed, and sealed copies have counters of their own, so the
    // replay window lets every one through.
    void copiesPassTheGate() {
        const Bytes copy = Fragment(5, 200, MediaDatagram::kCopyMagic);
        QVERIFY(!MediaDatagram::IsPlainFragment(copy.data(), int(copy.size())));
        QVERIFY(MediaDatagram::IsFragment(copy.data(), int(copy.size())));
        CMediaGuard plain(nullptr, MediaKind::Audio);
        QCOMPARE(Copy(plain.Open(kPeer, kPeerPort, copy.data(), int(copy.size()))), copy);

        // As the sound sends: frame k, then the copy of frame k-1.
        Call call;
        std::vector<Bytes> sent;
        std::vector<Bytes> sealed;
        for (std::uint32_t k = 0; k < 100; ++k) {
            sent.push_back(Fragment(k));
            if (k > 0) {
                sent.push_back(Fragment(k - 1, 200, MediaDatagram::kCopyMagic));
            }
        }
        std::set<std::uint64_t> counters;
        for (const Bytes& fragment : sent) {
            sealed.push_back(Copy(call.callerAudio.Seal(fragment.data(), int(fragment.size()))));
            counters.insert(MediaDatagram::Get64(sealed.back().data() + 8));
        }
        QCOMPARE(counters.size(), sent.size());
        for (size_t i = 0; i < sealed.size(); ++i) {
            const Bytes opened = Copy(
                call.calleeAudio.Open(kPeer, kPeerPort, sealed[i].data(), int(sealed[i].size())));
            QCOMPARE(opened, sent[i]);
        }
        QCOMPARE(call.calleeAudio.GetCounts().replayed, 0u);
        // In an encrypted call a plain copy is refused like any plain fragment.
        QVERIFY(!call.Heard(copy));
        QCOMPARE(call.calleeAudio.GetCounts().plainRefused, 1u);
    }

    // Every call has keys of its own: the same people calling again get
    // another code, and the old call's datagrams mean nothing to the new one.
    void everyCallHasFreshKeys() {
        Call first;
        Call second;
        const Bytes old = first.Sealed(1)[0];
        QVERIFY(!second.Heard(old));
        QVERIFY(first.Heard(old));
        QVERIFY(second.Heard(second.Sealed(1)[0]));
        QVERIFY(first.caller->ShortCode() != second.caller->ShortCode() ||
                first.caller->CurrentKeys()->send[0].key !=
                    second.caller->CurrentKeys()->send[0].key);
    }
};

KIV_TEST_CLASS(tst_CMediaGuard)
#include "tst_CMediaGuard.moc"
