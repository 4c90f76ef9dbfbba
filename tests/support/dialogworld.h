#pragma once

// The account dialogs' tests' world: UiTestEnvironment, the import reading the registry file named, a
// watchdog against modal windows left open, every dialog closed afterwards. Made in init(), dropped in cleanup().

#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "dialogs/formwillkommen.h"
#include "modaldriver.h"
#include "oeimport/formoeimport.h"
#include "oeimport/winefilesource.h"
#include "uitestenvironment.h"

#include <QLineEdit>

// The editor's six fields, and an account's values in the same order: address, mailbox, server,
// port, user name, password.
inline QList<QLineEdit*> EditorFields(formAccount* e) {
    return {e->Text1, e->Text8, e->Text2, e->Text3, e->Text4, e->Text5};
}
inline QStringList EditorValues(const Account& a) {
    return {a.EMail, a.Mailbox, a.Server, QString::number(a.Port), a.Username, a.Password};
}

inline QStringList EMails() {
    QStringList mails;
    for (int i = 1; i <= AccountCount(); ++i)
        mails << Accounts.at(i).EMail;
    return mails;
}

// A list's cells, row by row.
inline QList<QStringList> Rows(const ListView* list) {
    QList<QStringList> rows;
    for (int r = 1; r <= list->RowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < list->ColumnCount(); ++c)
            rows.last() << list->Text(r, c);
    }
    return rows;
}

inline int OpenImportWindows() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<formOEImport*>(w) != nullptr;
    return count;
}

class DialogWorld {
public:
    // Without a file named, the import finds no Outlook Express data.
    explicit DialogWorld(const QString& userReg = {}) : registry_(userReg.isEmpty() ? env.path("user.reg") : userReg) {
        Registry::SetDefaultForTesting(&registry_);
    }
    ~DialogWorld() {
        Forms::ShowImport = {};
        Registry::SetDefaultForTesting(nullptr);
    }

    // Closes every dialog; says what had been left open, empty when nothing was.
    QString CloseAll() {
        formWillkommen::CloseIfOpen();
        formOEImport::CloseIfOpen();
        if (formEinstellungen* d = formEinstellungen::Instance())
            d->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (watchdog_.fired())
            return QStringLiteral("a modal window was left open");
        return formAccount::Instance() || OpenImportWindows() ? QStringLiteral("a window was left open") : QString();
    }

    UiTestEnvironment env;

private:
    ModalWatchdog watchdog_;
    Registry::WineFileSource registry_;
};
