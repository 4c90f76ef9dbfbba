#include "testenvironment.h"

#include "core/account.h"
#include "core/errorlog.h"
#include "core/funktionen.h"
#include "core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnvironment::TestEnvironment() {
    Store::SetFileForTesting(storeFile());
    Paths::SetProgramFolderForTesting(dir_.path());
    Paths::SetLogFolderForTesting(dir_.path());
    Paths::SetDataFolderForTesting(dir_.filePath(QStringLiteral("data")));
    Accounts = QVector<Account>(1);
    Settings = SettingsRecord{};
    Settings.EMailProgramm = DefaultEMailProgramm();
    Settings.SoundDatei = DefaultSoundDatei();
    SetErrorBoxHandler({});
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"}) {
        savedEnvironment_.append({name, qgetenv(name)});
        qputenv(name, dir_.filePath(QString::fromLatin1(name).toLower()).toUtf8());
    }
}

TestEnvironment::~TestEnvironment() {
    for (const auto& [name, value] : std::as_const(savedEnvironment_))
        value.isNull() ? qunsetenv(name.constData()) : qputenv(name.constData(), value);
    Store::SetFileForTesting({});
    Paths::SetProgramFolderForTesting({});
    Paths::SetLogFolderForTesting({});
    Paths::SetDataFolderForTesting({});
    SetErrorBoxHandler({});
}

QString TestEnvironment::storeFile() const { return dir_.filePath(QStringLiteral("config/Postfalke/Postfalke.conf")); }

QByteArray TestEnvironment::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEnvironment::writeStore(const QByteArray& content) const {
    QFile::remove(storeFile());
    QDir().mkpath(QFileInfo(storeFile()).absolutePath());
    QFile f(storeFile());
    f.open(QIODevice::WriteOnly);
    f.write(content);
}

Account TestAccount(const QString& user, int port, const QString& password, const QString& mailbox, const QString& server) {
    return Account{user + QStringLiteral("@example.org"), server, quint16(port), user, password, mailbox, 0, {}, 0, false, 0, {}};
}

QVector<Account> AccountsWithCounts(const QList<int>& counts) {
    QVector<Account> list(1);
    for (int count : counts) {
        list.append(TestAccount(QString(QLatin1Char(char('a' + list.size() - 1))), 143, QString()));
        list.last().NewMailCount = qint16(count);
    }
    return list;
}
