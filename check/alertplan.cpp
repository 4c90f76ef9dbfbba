#include "check/alertplan.h"

#include "core/funktionen.h"

QString AlertBalloonTitle() { return QStringLiteral("E-Mails eingetroffen"); }

QString AlertBalloonClosing() { return QStringLiteral("Klicken Sie hier um das E-Mail Programm zu starten."); }

AlertPlan PlanAlert(const QVector<Account>& accounts, const SettingsRecord& settings, const QString& timeOfDay) {
    AlertPlan plan;
    const QString crlf = QStringLiteral("\r\n");
    const QString tab = QStringLiteral("\t");

    for (int i = 1; i < accounts.size(); ++i) {
        if (accounts.at(i).NewMailCount > 0)
            plan.alert = true;
    }
    if (!plan.alert)
        return plan;

    plan.showWindow = settings.Benachrichtigungsfenster == 1;
    plan.windowTakesFocus = settings.BenachrichtigungFokus == 1;
    plan.showBalloon = settings.BalloonTip == 1;
    plan.balloonTitle = AlertBalloonTitle();
    plan.balloonText = crlf;

    for (int i = 1; i < accounts.size(); ++i) {
        const Account& a = accounts.at(i);
        const int count = a.NewMailCount;
        if (count > 0)
            plan.resultRows.append({timeOfDay, a.EMail, a.Mailbox, QString::number(count)});
        else if (count < 0)
            plan.resultRows.append({timeOfDay, a.EMail, a.Mailbox, QStringLiteral("error")});

        if (plan.showWindow) {
            plan.windowRows.append(
                {timeOfDay, a.EMail, a.Mailbox, count < 0 ? QStringLiteral("Fehler") : QString::number(count), count > 0});
        }

        if (count < 0)
            plan.balloonText += a.EMail + tab + a.Mailbox + tab + QStringLiteral(" (Fehler)") + crlf;
        else if (count > 0)
            plan.balloonText += a.EMail + tab + a.Mailbox + tab + QLatin1Char(' ') + QString::number(count) + crlf;
    }
    plan.balloonText += crlf + AlertBalloonClosing();

    if (settings.Sound == SoundChoice::Beep) {
        plan.sound = AlertPlan::SoundAction::Beep;
    } else if (settings.Sound == SoundChoice::WaveFile && FileExists(settings.SoundDatei)) {
        plan.sound = AlertPlan::SoundAction::PlayFile;
        plan.soundFile = settings.SoundDatei;
    }
    return plan;
}
