#pragma once

#include <QString>
#include <functional>

class ListView;
class QWidget;

// The list of the own accounts that the settings dialog and the import dialog both show and edit.
namespace AccountList {

// Clears the list and adds a row per account: number, e-mail address, mailbox, server. Row i is
// account i, so a row's position is the account number the buttons act on. A selected row stays
// selected.
void Fill(ListView& list);

// The question asked before an account is deleted.
QString DeleteQuestion(const QString& email);

// Asks whether account k, selected in the list, may be deleted and removes it from Accounts on "Ja"
// (in memory only; the store follows when the dialog saves). True when it was removed; nothing is
// removed when the asking dialog was closed meanwhile. The caller must check that it still exists
// afterwards: the question runs the event loop.
bool AskAndDelete(QWidget* parent, const ListView& list, int k);

// The account buttons: acts on the row selected in the list (nothing without one) and refills the
// dialog's lists when act says so, unless the dialog was closed meanwhile (act may run the event
// loop).
void ActOnSelectedRow(QWidget* dialog, const ListView& list, const std::function<bool(int row)>& act,
                      const std::function<void()>& refill);

// The unload step of a dialog that edits Accounts in place: the first call drops unsaved changes by
// reloading the store (a failure is reported under where); later calls do nothing. False when it
// had run before.
bool ReloadOnce(bool& unloaded, const QString& where);

}  // namespace AccountList
