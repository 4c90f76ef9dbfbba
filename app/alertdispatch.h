#pragma once

#include "check/alertplan.h"

class ListView;
class Tray;

// Carries out an alert: adds the result rows to the main window's result list, fills and shows the
// notification window, asks the tray for the balloon and plays the sound, in this order, each as
// far as the plan says. A null tray shows no balloon.
void ExecuteAlert(const AlertPlan& plan, ListView& resultList, Tray* tray);

// The alert at the end of a check cycle, from the global Accounts and Settings.
void DispatchAlert(ListView& resultList, Tray* tray);
