#pragma once

#include <QString>

// Starting the program when the user logs in: on Linux a freedesktop autostart entry
// ($XDG_CONFIG_HOME/autostart/postfalke.desktop), on Windows the per-user Run key. The entry names
// the program that is running now.
namespace Autostart {

// False where the platform has no per-user autostart this program knows.
bool Available();
// True when the program is set to start at login (what is really there, whoever wrote it).
bool IsEnabled();
// Writes or removes the entry; false when that failed.
bool SetEnabled(bool enabled);

}  // namespace Autostart
