#pragma once

#include "core/account.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

// A private world for one test case: store, program and log folder and the XDG folders lie in a
// temporary folder, and the account list and the settings are reset. Make one in init(), drop it in
// cleanup(). Tests of windows use UiTestEnvironment.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString folder() const { return dir_.path(); }
    QString storeFile() const;
    QString path(const QString& name) const { return dir_.filePath(name); }
    // The whole content of a file in the folder, empty when it is missing.
    QByteArray read(const QString& name) const;
    // Writes a raw store file (section and keys as given), bypassing the store code.
    void writeStore(const QByteArray& content) const;

private:
    QTemporaryDir dir_;
    QList<QPair<QByteArray, QByteArray>> savedEnvironment_;
};

// An account user@example.org on the server at the port, mailbox INBOX unless given.
Account TestAccount(const QString& user, int port, const QString& password, const QString& mailbox = QStringLiteral("INBOX"),
                    const QString& server = QStringLiteral("127.0.0.1"));
// An account list with the accounts a@example.org, b@..., ... with these counts; slot 0 stays empty.
QVector<Account> AccountsWithCounts(const QList<int>& counts);
