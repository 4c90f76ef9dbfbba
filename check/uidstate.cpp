#include "check/uidstate.h"

#include "core/errorlog.h"
#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const QString kList = QStringLiteral("Postfaecher");
const QString kServer = QStringLiteral("Server");
const QString kUser = QStringLiteral("Benutzername");
const QString kMailbox = QStringLiteral("Mailbox");
const QString kValidity = QStringLiteral("UIDVALIDITY");
const QString kNext = QStringLiteral("UIDNEXT");

QString Key(const QString& server, const QString& user, const QString& mailbox) {
    return server + QChar(0) + user + QChar(0) + mailbox;
}

bool ToUid(const QJsonValue& value, quint32& uid) {
    const double d = value.toDouble(-1);
    if (d < 0 || d > 4294967295.0 || d != double(quint64(d)))
        return false;
    uid = quint32(d);
    return true;
}
}  // namespace

UidState::UidState(QString file) : file_(std::move(file)) {}

QString UidState::File() {
    if (file_.isEmpty())
        file_ = Paths::DataFolder() + QStringLiteral("/Abfragestand.json");
    return file_;
}

std::optional<UidState::Mark> UidState::Find(const QString& server, const QString& user, const QString& mailbox) {
    Load();
    const auto it = marks_.constFind(Key(server, user, mailbox));
    if (it == marks_.constEnd())
        return std::nullopt;
    return *it;
}

void UidState::Remember(const QString& server, const QString& user, const QString& mailbox, Mark mark) {
    Load();
    const QString key = Key(server, user, mailbox);
    const auto it = marks_.constFind(key);
    if (it != marks_.constEnd() && it->uidValidity == mark.uidValidity && it->uidNext == mark.uidNext)
        return;
    marks_.insert(key, mark);
    dirty_ = true;
}

void UidState::Flush() {
    if (dirty_)
        Save();
}

void UidState::Load() {
    if (loaded_)
        return;
    loaded_ = true;
    QFile file(File());
    if (!file.exists())
        return;  // the first run: nothing remembered yet
    if (!file.open(QIODevice::ReadOnly)) {
        Report(QStringLiteral("lesen"));
        return;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.object().value(kList).isArray()) {
        Report(QStringLiteral("lesen"));
        return;
    }
    for (const QJsonValue& value : document.object().value(kList).toArray()) {
        const QJsonObject entry = value.toObject();
        Mark mark;
        if (ToUid(entry.value(kValidity), mark.uidValidity) && ToUid(entry.value(kNext), mark.uidNext))
            marks_.insert(Key(entry.value(kServer).toString(), entry.value(kUser).toString(), entry.value(kMailbox).toString()), mark);
    }
}

void UidState::Save() {
    QJsonArray list;
    for (auto it = marks_.constBegin(); it != marks_.constEnd(); ++it) {
        const QStringList parts = it.key().split(QChar(0));
        list.append(QJsonObject{{kServer, parts.value(0)},
                                {kUser, parts.value(1)},
                                {kMailbox, parts.value(2)},
                                {kValidity, double(it->uidValidity)},
                                {kNext, double(it->uidNext)}});
    }
    const QFileInfo info(File());
    // The folder and the file belong to the user alone: the file names servers and user names.
    if (!info.dir().exists() && QDir().mkpath(info.absolutePath()))
        QFile::setPermissions(info.absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile file(info.filePath());
    const bool written = file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                         file.write(QJsonDocument(QJsonObject{{kList, list}}).toJson()) >= 0 && file.commit();
    // A file that cannot be written is not tried again until something changes.
    dirty_ = false;
    if (!written)
        Report(QStringLiteral("schreiben"));
    else
        reported_ = false;
}

void UidState::Report(const QString& what) {
    if (reported_)
        return;
    reported_ = true;
    WriteErrorLog(75, QStringLiteral("Fehler beim Zugriff auf Pfad/Datei"),
                  QStringLiteral("Abfragestand ") + what + QStringLiteral(": ") + QDir::toNativeSeparators(File()));
}
