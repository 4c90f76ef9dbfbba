#include "app/alertdispatch.h"

#include "core/account.h"
#include "core/listview.h"
#include "core/sound.h"
#include "tray/formbenachrichtigung.h"
#include "tray/tray.h"

namespace {
void AddResultRows(const AlertPlan& plan, ListView& list) {
    for (const AlertPlan::ResultRow& r : plan.resultRows) {
        const int row = list.AddRow(r.time);
        list.SetSubItem(row, 1, r.email);
        list.SetSubItem(row, 2, r.mailbox);
        list.SetSubItem(row, 3, r.count);
    }
}

void ShowNotificationWindow(const AlertPlan& plan) {
    formBenachrichtigung* window = formBenachrichtigung::Instance();
    ListView* list = window->ListView1;
    // A window still open from an earlier alert keeps its list sorted; the rows are filled
    // unsorted, so the row numbers stay put until each row is complete.
    list->setSortingEnabled(false);
    list->Clear();
    for (const AlertPlan::WindowRow& r : plan.windowRows) {
        const int row = list->AddRow(r.time);
        list->SetSubItem(row, 1, r.email);
        list->SetSubItem(row, 2, r.mailbox);
        list->SetSubItem(row, 3, r.count);
        if (r.bold) {
            for (int cell = 0; cell < 4; ++cell)
                list->SetBold(row, cell);
        }
    }
    list->SortDescending(3);
    list->WidenColumnsToContents();
    window->PlaceAndShow(plan.windowTakesFocus);
}
}  // namespace

void ExecuteAlert(const AlertPlan& plan, ListView& resultList, Tray* tray) {
    if (!plan.alert)
        return;
    AddResultRows(plan, resultList);
    if (plan.showWindow)
        ShowNotificationWindow(plan);
    if (plan.showBalloon && tray)
        tray->ShowBalloon(plan.balloonIconFlag, plan.balloonTitle, plan.balloonText);
    switch (plan.sound) {
    case AlertPlan::SoundAction::Beep:
        Sound::Beep();
        break;
    case AlertPlan::SoundAction::PlayFile:
        Sound::PlayAsync(plan.soundFile);
        break;
    case AlertPlan::SoundAction::None:
        break;
    }
}

void DispatchAlert(ListView& resultList, Tray* tray) { ExecuteAlert(PlanAlert(Accounts, Settings), resultList, tray); }
