#include "desktop/desktopevents.h"

// No sleep notice is listened to on this platform; the network watch still works.
bool DesktopEvents::StartSleepWatch() { return false; }
