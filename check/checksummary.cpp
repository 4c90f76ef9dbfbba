#include "check/checksummary.h"

namespace CheckSummary {

QString Text(const QVector<Account>& accounts, const QString& endedAt) {
    QString text = QStringLiteral("Postfalke – letzte Abfrage ") + endedAt;
    for (int i = 1; i < accounts.size(); ++i) {
        const Account& a = accounts.at(i);
        text += QLatin1Char('\n') + a.EMail + QStringLiteral(": ");
        if (a.NewMailCount < 0)
            text += a.CheckFailure.isEmpty() ? QStringLiteral("Fehler") : QStringLiteral("Fehler – ") + a.CheckFailure;
        else if (a.NewMailCount == 0)
            text += QStringLiteral("keine neuen");
        else
            text += QString::number(a.NewMailCount) + QStringLiteral(" neue");
    }
    return text;
}

bool AnyFailed(const QVector<Account>& accounts) {
    for (int i = 1; i < accounts.size(); ++i) {
        if (accounts.at(i).NewMailCount < 0)
            return true;
    }
    return false;
}

}  // namespace CheckSummary
