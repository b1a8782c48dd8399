#pragma once

#include <QString>

class ISoundLinkSetup;

// The user's choices for the sound of calls, from the per-account settings
// file the client names in KIV_CALL_SETTINGS: echo cancellation
// ("/Voice/EchoCancel", 1 or 0, on when missing), the microphone
// ("/Voice/Microphone") and the speaker ("/Voice/Speaker"), PulseAudio
// names, empty for the default devices; whether calls that cannot be
// encrypted are refused ("/Voice/EncryptedOnly", 1 or 0, off when missing);
// the voice's encoder ("/Voice/Encoder": "libavcodec" for libavcodec's,
// which adds 32 ms; anything else is the low-delay one); and whether the
// canceller suppresses noise ("/Voice/NoiseSuppression", 1 or 0, on when
// missing; off saves about 10 ms).
class CallViewSoundSettings {
public:
    static constexpr const char* kEnvironment = "KIV_CALL_SETTINGS";

    // Reads the file the environment names; the defaults when there is none.
    static CallViewSoundSettings FromEnvironment();
    static CallViewSoundSettings FromFile(const QString& path);

    // Hands the choices to the audio session, before its first call.
    void ApplyTo(ISoundLinkSetup* setup) const;

    bool echoCancel = true;
    QString microphone;
    QString speaker;
    bool encryptedOnly = false;
    bool libavcodecEncoder = false;
    bool noiseSuppression = true;
};
