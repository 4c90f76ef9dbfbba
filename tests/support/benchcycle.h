// Small helpers shared by the check benchmarks that are run by hand.
#pragma once

#include "check/checkcycle.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>
#include <numeric>

inline double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

// Users u01, u02, ... with passwords pw-01, pw-02, ... and i % 4 recent messages for user i.
inline QVector<DovecotServer::User> NumberedUsers(int count) {
    QVector<DovecotServer::User> users;
    for (int i = 1; i <= count; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        users.append({QStringLiteral("u") + number, QStringLiteral("pw-") + number, i % 4});
    }
    return users;
}

// The sum of all accounts' counts.
inline int CountSum() {
    return std::accumulate(Accounts.begin() + 1, Accounts.end(), 0,
                           [](int sum, const Account& account) { return sum + account.NewMailCount; });
}

// Starts Dovecot with the users and appends an account for each; false, with the reason printed,
// when Dovecot did not start.
inline bool StartDovecotAccounts(DovecotServer& dovecot, const QVector<DovecotServer::User>& users) {
    if (!dovecot.start(users)) {
        std::fprintf(stderr, "Dovecot did not start: %s\n", qPrintable(dovecot.errorString()));
        return false;
    }
    for (const DovecotServer::User& user : users)
        Accounts.append(TestAccount(user.name, dovecot.port(), user.password));
    return true;
}

// A check cycle with the program's own intervals, run to its end by Run(), which returns its milliseconds.
struct TimedCycle {
    CheckCycle cycle;
    QEventLoop loop;
    TimedCycle() { cycle.SetAlertDispatcher([this] { loop.quit(); }); }
    double Run() {
        QElapsedTimer clock;
        clock.start();
        cycle.CheckNow();
        loop.exec();
        return double(clock.nsecsElapsed()) / 1e6;
    }
};
