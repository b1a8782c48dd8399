#include "contacts/KivSoundDevices.h"

#include "SoundLinkDevices.h"

namespace {

QList<KivSoundDevices::Device> Shown(const std::vector<SoundLinkDevice>& devices) {
    QList<KivSoundDevices::Device> result;
    for (const SoundLinkDevice& device : devices) {
        result.append(
            {QString::fromStdString(device.name), QString::fromStdString(device.description)});
    }
    return result;
}

}  // namespace

QList<KivSoundDevices::Device> KivSoundDevices::Microphones() {
    return Shown(SoundLinkMicrophones());
}

QList<KivSoundDevices::Device> KivSoundDevices::Speakers() {
    return Shown(SoundLinkSpeakers());
}
