#pragma once

#include <QString>

class ListView;

// The main window's two lists: the protocol list (every command sent and every line received, at
// most MaxProtocolEntries, the newest in view) and the result list of the cycles that found mail.

inline constexpr int MaxProtocolEntries = 200;

// Report view with the columns "Uhrzeit" 900 and "Client command / Server response" 4780 twips.
void SetUpProtocolList(ListView& list);
// Report view with the columns "Uhrzeit" 900, "Account" 1750, "Mailbox" 1000 and "#" 460 (centred).
void SetUpResultList(ListView& list);

// Adds an entry with the current time of day and the text at the end, then trims the list.
void AppendProtocolEntry(ListView& list, const QString& text);
// Removes the oldest entries beyond MaxProtocolEntries and scrolls the newest into view.
void TrimProtocolList(ListView& list);
