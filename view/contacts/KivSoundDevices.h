#pragma once

#include <QList>
#include <QString>

// The microphones and speakers the sound server has now.
class KivSoundDevices {
public:
    struct Device {
        QString name;         // the sound server's name, what the settings keep
        QString description;  // what the user reads
    };

    static QList<Device> Microphones();
    static QList<Device> Speakers();
};
