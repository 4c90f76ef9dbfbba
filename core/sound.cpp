#include "core/sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace Sound {
namespace {
std::function<void(const QString&)>& recorder() {
    static std::function<void(const QString&)> r;
    return r;
}
}  // namespace

void Beep() {
    if (recorder()) {
        recorder()(QStringLiteral("beep"));
        return;
    }
    QApplication::beep();
}

void PlayAsync(const QString& path) {
    if (recorder()) {
        recorder()(QStringLiteral("async:") + path);
        return;
    }
    // Nothing here waits for the sound: loading and playing run in the background, and without a
    // sound server an effect may report "playing" for ever. No device or no file: silence.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !QFileInfo(path).isFile())
        return;
    // One effect for the whole run: a new alert replaces a sound that is still playing.
    static QSoundEffect* effect = nullptr;
    if (!effect)
        effect = new QSoundEffect(qApp);
    effect->stop();
    if (effect->audioDevice() != device)
        effect->setAudioDevice(device);
    effect->setSource(QUrl::fromLocalFile(path));
    effect->play();
}

void SetRecorderForTesting(std::function<void(const QString&)> r) { recorder() = std::move(r); }

}  // namespace Sound
