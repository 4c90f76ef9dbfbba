#pragma once

#include "core/account.h"

#include <QString>
#include <QVector>

// What the last check found, for the tray icon's tip: a cycle whose accounts failed raises no alert,
// so this is where a user learns of a wrong password or an unreachable server.
namespace CheckSummary {

// "Postfalke – letzte Abfrage 22:03" and a line per account: "anna@example.org: 2 neue",
// "… : keine neuen", "… : Fehler – Anmeldung abgelehnt" (the reason where the check gave one).
// accounts is the list with its empty slot 0; endedAt the time of day the cycle ended ("hh:mm").
QString Text(const QVector<Account>& accounts, const QString& endedAt);

// True while the last check of any account failed.
bool AnyFailed(const QVector<Account>& accounts);

}  // namespace CheckSummary
