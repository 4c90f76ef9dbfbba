#include "core/keyring.h"

#ifdef POSTFALKE_KEYCHAIN
#include <qt6keychain/keychain.h>
#endif

#include <QTimer>

namespace Keyring {

bool Supported() {
#ifdef POSTFALKE_KEYCHAIN
    return true;
#else
    return false;
#endif
}

QString Service() { return QStringLiteral("Postfalke"); }

Outcome FromKeychainError(int code, const QString& detail) {
    switch (code) {
    case 0: return {Result::Ok, {}};
    case 1: return {Result::NotFound, detail};
    case 3:  // refused by the user
    case 4: return {Result::Locked, detail};
    case 5:
    case 6: return {Result::NoService, detail};
    default:
        // Through libsecret a missing Secret Service arrives as a D-Bus error naming it.
        if (detail.contains(QLatin1String("org.freedesktop.secrets")))
            return {Result::NoService, detail};
        return {Result::Other, detail};
    }
}

QString Message(const Outcome& outcome, const QString& consequence) {
    const QString crlf = QStringLiteral("\r\n");
    QString what;
    switch (outcome.result) {
    case Result::NoService:
        what = QStringLiteral("Auf diesem System ist kein Schlüsselbund-Dienst erreichbar.");
        break;
    case Result::Locked:
        what = QStringLiteral("Der Schlüsselbund des Systems ist gesperrt oder verweigert den Zugriff.");
        break;
    default:
        what = QStringLiteral("Der Schlüsselbund des Systems meldet einen Fehler");
        what += outcome.detail.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + outcome.detail;
        break;
    }
    return crlf + what + crlf + consequence + crlf;
}

#ifdef POSTFALKE_KEYCHAIN
namespace {
// Starts a job that deletes itself after reporting. Insecure fallbacks (a plain file) stay off:
// a password goes to the keyring or stays where it was.
template <typename JobType, typename Setup, typename Finish>
void Start(const QString& key, Setup setup, Finish finish) {
    auto* job = new JobType(Service());
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    setup(*job);
    QObject::connect(job, &QKeychain::Job::finished, job, [finish](QKeychain::Job* j) {
        finish(*static_cast<JobType*>(j), FromKeychainError(int(j->error()), j->errorString()));
    });
    job->start();
}
}  // namespace

void Read(const QString& key, std::function<void(const Outcome&, const QString&)> done) {
    Start<QKeychain::ReadPasswordJob>(
        key, [](QKeychain::ReadPasswordJob&) {},
        [done](QKeychain::ReadPasswordJob& job, const Outcome& outcome) {
            done(outcome, outcome.ok() ? job.textData() : QString());
        });
}

void Write(const QString& key, const QString& password, std::function<void(const Outcome&)> done) {
    Start<QKeychain::WritePasswordJob>(
        key, [password](QKeychain::WritePasswordJob& job) { job.setTextData(password); },
        [done](QKeychain::WritePasswordJob&, const Outcome& outcome) { done(outcome); });
}

void Remove(const QString& key, std::function<void(const Outcome&)> done) {
    Start<QKeychain::DeletePasswordJob>(
        key, [](QKeychain::DeletePasswordJob&) {},
        [done](QKeychain::DeletePasswordJob&, const Outcome& outcome) { done(outcome); });
}
#else
namespace {
// Answers later, like a keyring would, so that callers see the same order of events everywhere.
void Later(std::function<void()> f) { QTimer::singleShot(0, std::move(f)); }
const Outcome kNoService{Result::NoService, QStringLiteral("ohne QtKeychain gebaut")};
}  // namespace

void Read(const QString&, std::function<void(const Outcome&, const QString&)> done) {
    Later([done] { done(kNoService, QString()); });
}
void Write(const QString&, const QString&, std::function<void(const Outcome&)> done) {
    Later([done] { done(kNoService); });
}
void Remove(const QString&, std::function<void(const Outcome&)> done) {
    Later([done] { done(kNoService); });
}
#endif

}  // namespace Keyring
