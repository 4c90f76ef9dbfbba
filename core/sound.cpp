#include "core/sound.h"

#include <QApplication>
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
    // One effect for the whole run: a new alert replaces a sound that is still playing.
    static QSoundEffect* effect = nullptr;
    if (!effect)
        effect = new QSoundEffect(qApp);
    effect->stop();
    effect->setSource(QUrl::fromLocalFile(path));
    effect->play();
}

void SetRecorderForTesting(std::function<void(const QString&)> r) { recorder() = std::move(r); }

}  // namespace Sound
