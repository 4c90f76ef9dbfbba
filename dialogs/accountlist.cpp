#include "dialogs/accountlist.h"

#include "core/account.h"
#include "core/errorlog.h"
#include "core/funktionen.h"
#include "core/runtimeerror.h"
#include "core/formlayout.h"
#include "core/listview.h"
#include "core/msgbox.h"

#include <QPointer>

namespace AccountList {

void Fill(ListView& list) {
    list.Refill([&list] {
        for (int i = 1; i <= AccountCount(); ++i) {
            const Account& a = Accounts.at(i);
            const int row = list.AddRow(QString::number(i));
            list.SetSubItem(row, 1, a.EMail);
            list.SetSubItem(row, 2, a.Mailbox);
            list.SetSubItem(row, 3, a.Server);
        }
    });
}

QString DeleteQuestion(const QString& email) {
    return FormLayout::CrLf + QStringLiteral("Soll der Account \"") + email + QStringLiteral("\" wirklich gelöscht werden?") +
           FormLayout::CrLf;
}

bool AskAndDelete(QWidget* parent, const ListView& list, int k) {
    // A dialog closed while the question was open has reloaded the stored list: nothing to delete.
    const QPointer<QWidget> asking(parent);
    if (!MsgBox::Question(parent, DeleteQuestion(list.Text(k, 1))) || !asking)
        return false;
    RemoveAccount(k);
    return true;
}

void ActOnSelectedRow(QWidget* dialog, const ListView& list, const std::function<bool(int row)>& act,
                      const std::function<void()>& refill) {
    const int row = list.SelectedRow();
    if (row < 1)
        return;
    const QPointer<QWidget> alive(dialog);
    if (act(row) && alive)
        refill();
}

bool ReloadOnce(bool& unloaded, const QString& where) {
    if (unloaded)
        return false;
    unloaded = true;
    try {
        LoadAccounts();
    } catch (const RuntimeError& error) {
        ReportError(where, error);
    }
    return true;
}

}  // namespace AccountList
