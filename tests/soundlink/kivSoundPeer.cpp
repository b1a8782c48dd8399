// kivSoundPeer: one audio session in its own process, driven through stdin,
// for the two-process call tests and the mouth-to-ear benchmark.
//
//   kivSoundPeer --local PORT --remote-port PORT [--remote ADDRESS] [--device NAME]
//                [--speaker SINK] [--echo-cancel 0|1] [--encoder libavcodec|low-delay]
//                [--noise-suppression 0|1]
//
// Starts one call at once and prints "call <id>"; then reads commands, one a
// line: "stop" ends the call ("stopped"), "start" opens a new one, "quit"
// (or the end of input) leaves; "status" prints the playout of the call: the
// delay it aims at (ms), and the frames concealed, arrived late, skipped and
// shortened, and the waits, as "status delay D concealed C late L skipped S
// trimmed T waited W". The
// PulseAudio source and sink are the defaults, so PULSE_SOURCE and PULSE_SINK
// pick them.

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "CSoundLink.h"
#include "SoundLink.h"

namespace {

struct Options {
    int localPort = 0;
    int remotePort = 0;
    std::wstring remote = L"127.0.0.1";
    std::wstring device;
    std::string speaker;
    bool echoCancel = true;
    bool libavcodec = false;
    bool noiseSuppression = true;
};

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

bool Parse(int argc, char** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--local") {
            options->localPort = std::atoi(argv[i + 1]);
        } else if (name == "--remote-port") {
            options->remotePort = std::atoi(argv[i + 1]);
        } else if (name == "--remote") {
            options->remote = Widen(argv[i + 1]);
        } else if (name == "--device") {
            options->device = Widen(argv[i + 1]);
        } else if (name == "--speaker") {
            options->speaker = argv[i + 1];
        } else if (name == "--echo-cancel") {
            options->echoCancel = std::atoi(argv[i + 1]) != 0;
        } else if (name == "--noise-suppression") {
            options->noiseSuppression = std::atoi(argv[i + 1]) != 0;
        } else if (name == "--encoder") {
            options->libavcodec = std::string(argv[i + 1]) == "libavcodec";
        } else {
            return false;
        }
    }
    return options->localPort > 0 && options->remotePort > 0;
}

int Start(ISoundLink* link, const Options& options) {
    int callId = -1;
    link->StartCall(options.remote, options.remotePort, L"", options.localPort, &callId, 0);
    std::cout << "call " << callId << std::endl;
    return callId;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::cerr << "usage: kivSoundPeer --local PORT --remote-port PORT [--remote ADDRESS] "
                     "[--device NAME] [--speaker SINK] [--echo-cancel 0|1] "
                     "[--encoder libavcodec|low-delay] [--noise-suppression 0|1]\n";
        return 2;
    }
    ISoundLink* link = GetSoundLink();
    link->SetAudioFormat(options.device, 32000, 16, 2);
    GetSoundLinkSetup()->SetEchoCancellation(options.echoCancel);
    GetSoundLinkSetup()->SetEncoder(options.libavcodec ? SoundLinkEncoder::Libavcodec
                                                       : SoundLinkEncoder::LowDelay);
    GetSoundLinkSetup()->SetNoiseSuppression(options.noiseSuppression);
    GetSoundLinkSetup()->SetSpeaker(options.speaker);
    int callId = Start(link, options);
    std::string command;
    while (std::getline(std::cin, command)) {
        if (command == "stop") {
            link->StopCall(callId);
            std::cout << "stopped" << std::endl;
        } else if (command == "start") {
            callId = Start(link, options);
        } else if (command == "status") {
            // The test peer looks inside its own session.
            const CAudioDecode* decoder = static_cast<CSoundLink*>(link)->Decoder(callId);
            if (decoder != nullptr) {
                const CVoicePlayout::Figures figures = decoder->Playback().Figures();
                const CPlayoutBuffer::Counters& playout = figures.buffer;
                std::cout << "status delay " << playout.delayMs << " concealed "
                          << playout.concealed << " late " << playout.late << " primed "
                          << playout.primed << " skipped " << playout.skipped << " waited "
                          << playout.waited << " shortened " << figures.shortened << " lengthened "
                          << figures.lengthened << " made-up " << figures.madeUpMs << " ms behind "
                          << figures.behindUs / 1000 << " ms speaker "
                          << (decoder->Playback().IsRoomy() ? "roomy" : "tight") << std::endl;
            }
        } else if (command == "quit") {
            break;
        }
    }
    return 0;
}
