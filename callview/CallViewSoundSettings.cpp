#include "CallViewSoundSettings.h"

#include <QFileInfo>
#include <QSettings>

#include "ISoundLinkSetup.h"

CallViewSoundSettings CallViewSoundSettings::FromEnvironment() {
    return FromFile(qEnvironmentVariable(kEnvironment));
}

CallViewSoundSettings CallViewSoundSettings::FromFile(const QString& path) {
    CallViewSoundSettings settings;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return settings;
    }
    const QSettings ini(path, QSettings::IniFormat);
    settings.echoCancel = ini.value(QStringLiteral("/Voice/EchoCancel"), 1).toInt() != 0;
    settings.microphone = ini.value(QStringLiteral("/Voice/Microphone")).toString();
    settings.speaker = ini.value(QStringLiteral("/Voice/Speaker")).toString();
    settings.encryptedOnly = ini.value(QStringLiteral("/Voice/EncryptedOnly"), 0).toInt() != 0;
    settings.libavcodecEncoder =
        ini.value(QStringLiteral("/Voice/Encoder")).toString() == QLatin1String("libavcodec");
    settings.noiseSuppression =
        ini.value(QStringLiteral("/Voice/NoiseSuppression"), 1).toInt() != 0;
    return settings;
}

void CallViewSoundSettings::ApplyTo(ISoundLinkSetup* setup) const {
    if (setup == nullptr) {
        return;
    }
    setup->SetEchoCancellation(echoCancel);
    setup->SetMicrophone(microphone.toStdString());
    setup->SetSpeaker(speaker.toStdString());
    setup->SetEncoder(libavcodecEncoder ? SoundLinkEncoder::Libavcodec
                                        : SoundLinkEncoder::LowDelay);
    setup->SetNoiseSuppression(noiseSuppression);
}
