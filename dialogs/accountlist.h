#pragma once

#include <QString>

class ListView;
class QWidget;

// The list of the own accounts that the settings dialog and the import dialog both show and edit.
namespace AccountList {

// Clears the list and adds a row per account: number, e-mail address, mailbox, server. Row i is
// account i, so a row's position is the account number the buttons act on.
void Fill(ListView& list);

// The question asked before an account is deleted.
QString DeleteQuestion(const QString& email);

// Asks whether account k, selected in the list, may be deleted and removes it from Accounts on "Ja"
// (in memory only; the store follows when the dialog saves). True when it was removed; nothing is
// removed when the asking dialog was closed meanwhile. The caller must check that it still exists
// afterwards: the question runs the event loop.
bool AskAndDelete(QWidget* parent, const ListView& list, int k);

}  // namespace AccountList
