#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The desktop's own mail client, for users who named no e-mail program of their own: on Linux the
// desktop entry that the x-scheme-handler/mailto default of mimeapps.list names.
namespace MailClient {

struct Client {
    QString name;          // as the menu shows it
    QStringList command;   // program and arguments, no address: no compose window opens
    QString folder;        // working folder, empty for the program's own
};

// The default mail client, or none.
std::optional<Client> DesktopDefault();

// Starts the default mail client; without one, or when it cannot be started, a message says so.
void StartDesktopDefault();

// The text of that message.
QString NoClientMessage();

}  // namespace MailClient
