#include "desktop/autostart.h"

// This platform's start at login is not known to the program: the settings dialog hides the box.
namespace Autostart {
bool Available() { return false; }
bool IsEnabled() { return false; }
bool SetEnabled(bool) { return false; }
}  // namespace Autostart
