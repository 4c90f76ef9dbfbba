#include "core/sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QtEndian>
#include <memory>

namespace Sound {
namespace {
std::function<void(const QString&)>& recorder() {
    static std::function<void(const QString&)> r;
    return r;
}

constexpr int kDefaultSyncMarginMs = 1000;
// How long PlayAndWait waits for the file to be decoded (in the background): a first attempt, then
// a second one before it gives up.
constexpr int kRetryDecodeAfterMs = 1000;
constexpr int kDecodeLimitMs = 3000;
int syncMarginOverride = -1;

// Runs a local event loop until quit or the limit has passed. Mouse and keyboard input waits until
// the end, as with a call that blocks; timers and sockets are served.
void WaitAtMost(QEventLoop& loop, int limitMs) {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
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
    if (device.isNull() || !QDir::isAbsolutePath(path) || !QFileInfo(path).isFile())
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

int WaveDurationMs(const QString& path) {
    if (!QDir::isAbsolutePath(path))
        return -1;  // never looked up in the working folder
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const qint64 fileSize = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return -1;
    quint32 byteRate = 0;
    // Chunks follow one another: a four-letter id, a little-endian size, the data padded to even length.
    while (!file.atEnd()) {
        const QByteArray head = file.read(8);
        if (head.size() != 8)
            return -1;
        const QByteArray id = head.left(4);
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + 4);
        if (id == "fmt ") {
            const QByteArray fmt = file.read(qMin<quint32>(size, 16));
            if (fmt.size() < 12)
                return -1;
            byteRate = qFromLittleEndian<quint32>(fmt.constData() + 8);
            if (!file.seek(file.pos() - fmt.size() + size + (size & 1)))
                return -1;
        } else if (id == "data") {
            if (byteRate == 0)
                return -1;
            const qint64 present = qMin<qint64>(size, fileSize - file.pos());
            return int((present * 1000 + byteRate - 1) / byteRate);
        } else if (!file.seek(file.pos() + size + (size & 1))) {
            return -1;
        }
    }
    return -1;
}

int SyncMarginMs() { return syncMarginOverride >= 0 ? syncMarginOverride : kDefaultSyncMarginMs; }

void SetSyncMarginForTesting(int milliseconds) { syncMarginOverride = milliseconds; }

void PlaySync(const QString& path) {
    if (recorder()) {
        recorder()(QStringLiteral("sync:") + path);
        return;
    }
    if (!PlayAndWait(path))
        Beep();
}

bool PlayAndWait(const QString& path) {
    const int duration = WaveDurationMs(path);
    if (duration < 0)
        return false;
    QEventLoop loop;
    std::unique_ptr<QSoundEffect> effect;
    // Qt's sample cache can lose a load that is asked for just as its loader thread stops after
    // the previous one; that load stays "Loading" for ever, and so would every later load of the
    // same URL. The second attempt uses another URL of the same file (the query is ignored for
    // local files), which starts the loader again.
    static int retries = 0;
    bool first = true;
    for (const int limit : {kRetryDecodeAfterMs, kDecodeLimitMs}) {
        QUrl source = QUrl::fromLocalFile(path);
        if (!first)
            source.setQuery(QStringLiteral("retry=%1").arg(++retries));
        first = false;
        effect = std::make_unique<QSoundEffect>();
        QSoundEffect* e = effect.get();
        QObject::connect(e, &QSoundEffect::statusChanged, &loop, [e, &loop] {
            if (e->status() != QSoundEffect::Loading)
                loop.quit();
        });
        e->setSource(source);
        // Decoding runs in the background; it may also have failed at once.
        if (e->status() == QSoundEffect::Loading)
            WaitAtMost(loop, limit + duration / 10);
        if (e->status() != QSoundEffect::Loading)
            break;
    }
    if (effect->status() != QSoundEffect::Ready)
        return false;
    QSoundEffect* e = effect.get();
    QObject::connect(e, &QSoundEffect::playingChanged, &loop, [e, &loop] {
        if (!e->isPlaying())
            loop.quit();
    });
    e->play();
    WaitAtMost(loop, duration + SyncMarginMs());
    e->stop();
    return true;
}

void SetRecorderForTesting(std::function<void(const QString&)> r) { recorder() = std::move(r); }

}  // namespace Sound
