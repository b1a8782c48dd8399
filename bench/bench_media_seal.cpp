// bench_media_seal: what sealing a call's media costs. For datagrams of the
// sizes a call sends (an AAC frame, a full video fragment), it times sealing
// and opening against the plain path (copying the fragment, the same gate's
// checks) in this process, then turns the extra time into a share of one core
// at a call's rates, and into the delay a frame gains between mouth and ear
// (sealed once, opened once).
//
//   bench_media_seal [--seconds S]      (default 2 s per measurement)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CMediaCallKeys.h"
#include "CMediaGuard.h"
#include "MediaDatagram.h"

namespace {

// A call: AAC at 32 kHz is 31.25 frames a second, one datagram each; video
// at 320x240 and 15 frames a second, about two full datagrams a frame, and
// each side sends one and receives one of each.
constexpr double kAudioDatagramsPerSecond = 31.25 * 2;
constexpr double kVideoDatagramsPerSecond = 15.0 * 2 * 2;

std::vector<std::uint8_t> Fragment(int payload) {
    std::vector<std::uint8_t> fragment(size_t(16 + payload), 0x5A);
    std::fill(fragment.begin(), fragment.begin() + 16, 0);
    MediaDatagram::Put32(fragment.data(), MediaDatagram::kPlainMagic);
    fragment[6] = 1;
    fragment[12] = 1;
    fragment[14] = std::uint8_t(payload);
    fragment[15] = std::uint8_t(payload >> 8);
    return fragment;
}

// Nanoseconds per datagram through one sending and one receiving gate.
double RoundTripNs(CMediaGuard& sender, CMediaGuard& receiver, int payload, double seconds) {
    const std::vector<std::uint8_t> fragment = Fragment(payload);
    QElapsedTimer timer;
    timer.start();
    long long count = 0;
    std::uint32_t sequence = 0;
    while (timer.nsecsElapsed() < qint64(seconds * 1e9)) {
        for (int i = 0; i < 256; ++i, ++count) {
            std::vector<std::uint8_t> next = fragment;
            MediaDatagram::Put32(next.data() + 8, ++sequence);
            const CMediaGuard::Span out = sender.Seal(next.data(), int(next.size()));
            const CMediaGuard::Span in = receiver.Open(0x7F000001, 4000, out.data, out.length);
            if (in.length != int(next.size())) {
                std::fprintf(stderr, "a datagram did not pass\n");
                return -1;
            }
        }
    }
    return double(timer.nsecsElapsed()) / double(count);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double seconds = 2;
    const QStringList arguments = app.arguments();
    const int at = arguments.indexOf(QStringLiteral("--seconds"));
    if (at > 0 && at + 1 < arguments.size()) {
        seconds = qMax(0.1, arguments[at + 1].toDouble());
    }
    auto caller = CMediaCallKeys::ForCaller(7, 9);
    auto callee = CMediaCallKeys::ForCallee(7, 9, caller->OwnTail());
    caller->TakeAnswer(callee->OwnTail());

    struct Size {
        const char* name;
        int payload;
        double rate;
    } sizes[] = {{"audio frame (400 B)", 400, kAudioDatagramsPerSecond},
                 {"video fragment (4080 B)", 4080, kVideoDatagramsPerSecond}};
    double extraCoreShare = 0;
    double extraDelayNs = 0;
    for (const Size& size : sizes) {
        CMediaGuard plainOut(nullptr, MediaKind::Audio);
        CMediaGuard plainIn(nullptr, MediaKind::Audio);
        CMediaGuard sealedOut(caller, MediaKind::Audio);
        CMediaGuard sealedIn(callee, MediaKind::Audio);
        const double plain = RoundTripNs(plainOut, plainIn, size.payload, seconds);
        const double sealed = RoundTripNs(sealedOut, sealedIn, size.payload, seconds);
        if (plain < 0 || sealed < 0) {
            return 1;
        }
        const double share = (sealed - plain) * size.rate / 1e9 * 100.0;
        extraCoreShare += share;
        extraDelayNs = qMax(extraDelayNs, sealed - plain);
        std::printf("%-24s plain %7.0f ns  sealed %7.0f ns  ratio %5.1f  extra %.4f %% of a core\n",
                    size.name, plain, sealed, sealed / plain, share);
    }
    std::printf(
        "a call (both ways, sound and pictures): encryption adds %.4f %% of a core "
        "(goal < 1 %%), a frame gains %.3f ms mouth to ear (goal < 1 ms)\n",
        extraCoreShare, extraDelayNs / 1e6);
    return 0;
}
