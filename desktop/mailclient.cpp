#include "desktop/mailclient.h"

#include "core/formlayout.h"
#include "core/msgbox.h"

#include <QProcess>

namespace MailClient {

QString NoClientMessage() {
    return FormLayout::CrLf + QStringLiteral("Es ist kein E-Mail Programm eingestellt, und das System nennt keines.") +
           FormLayout::CrLf + QStringLiteral("Bitte wählen Sie eines in den Einstellungen.") + FormLayout::CrLf;
}

void StartDesktopDefault() {
    const std::optional<Client> client = DesktopDefault();
    if (client && !client->command.isEmpty() &&
        QProcess::startDetached(client->command.first(), client->command.mid(1), client->folder))
        return;
    MsgBox::Information(nullptr, NoClientMessage());
}

}  // namespace MailClient
