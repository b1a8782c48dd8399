#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

// "测试" on the sound page: the microphone played back to the speaker for a
// few seconds, so the user hears the devices chosen. Empty names take the
// default devices.
class KivSoundCheck : public QObject {
    Q_OBJECT
public:
    explicit KivSoundCheck(QObject* parent = nullptr);
    ~KivSoundCheck() override;

    // False when the devices cannot be opened; Finished follows otherwise.
    bool Start(const QString& microphone, const QString& speaker, int milliseconds);
    void Stop();
    bool IsRunning() const;

signals:
    void Finished();

private:
    class Pipeline;
    std::unique_ptr<Pipeline> m_pipeline;
    QTimer m_timer;
};
