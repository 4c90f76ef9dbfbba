#pragma once

#include "core/balloonicon.h"
#include "core/account.h"
#include "core/timeofday.h"

#include <QString>
#include <QVector>

// What the alert at the end of a check cycle does, decided from the accounts' results and the
// settings without touching any window. The windows carry it out in the order result rows,
// notification window, balloon, sound (see alertdispatch.h).
struct AlertPlan {
    // A row of the main window's result list.
    struct ResultRow {
        QString time;
        QString email;
        QString mailbox;
        QString count;  // the count, or "error" for a failed account
    };
    // A row of the notification window's list.
    struct WindowRow {
        QString time;
        QString email;
        QString mailbox;
        QString count;  // the count (0 included), or "Fehler" for a failed account
        bool bold = false;  // all four cells, for an account with new mail
    };
    enum class SoundAction { None, Beep, PlayFile };

    // False when no account has new mail: then nothing at all happens, even if accounts failed.
    bool alert = false;

    QVector<ResultRow> resultRows;

    bool showWindow = false;
    bool windowTakesFocus = false;
    QVector<WindowRow> windowRows;  // in account order; the window sorts them

    bool showBalloon = false;
    BalloonIcon balloonIcon = BalloonIcon::Information;
    QString balloonTitle;
    QString balloonText;

    SoundAction sound = SoundAction::None;
    QString soundFile;
};

// The balloon's title and closing sentence.
QString AlertBalloonTitle();
QString AlertBalloonClosing();

// Decides the alert for accounts 1..N of the list (slot 0 is not an account) and the settings; the
// rows carry the given time of day. A wave file is played only when it exists.
AlertPlan PlanAlert(const QVector<Account>& accounts, const SettingsRecord& settings,
                    const QString& timeOfDay = TimeOfDayText());
