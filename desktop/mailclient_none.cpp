#include "desktop/mailclient.h"

// On this platform the stored e-mail program is the only one the program knows.
std::optional<MailClient::Client> MailClient::DesktopDefault() { return std::nullopt; }
