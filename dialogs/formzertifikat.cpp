#include "dialogs/formzertifikat.h"

#include "core/account.h"
#include "core/formlayout.h"
#include "core/funktionen.h"

#include <QPlainTextEdit>
#include <QPushButton>

using namespace FormLayout;

formZertifikat::formZertifikat(const RejectedCertificate& rejected, QWidget* parent) : QDialog(parent), rejected_(rejected) {
    SetUpFixedDialog(this, "formZertifikat", QStringLiteral("Zertifikat prüfen"), 7935, 4560);

    Shape1 = MakeBanner(this, 7935, 495);
    Label1 = MakeHeading(this, QStringLiteral("Zertifikat nicht vertrauenswürdig"), 240, 120, 7455, 255);
    Text1 = Make<QPlainTextEdit>(this, "Text1", 120, 600, 7695, 3360);
    Text1->setReadOnly(true);
    Text1->setPlainText(Tls::Description(rejected));
    Command1 = MakeButton(this, "Command1", QStringLiteral("Diesem Zertifikat vertrauen"), 120, 4080, 3855, 375);
    Command2 = MakeButton(this, "Command2", QStringLiteral("Abbrechen"), 4080, 4080, 3735, 375);
    Command2->setFocus();

    connect(Command1, &QPushButton::clicked, this, &formZertifikat::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    PressOnEscape(this, Command2);
}

void formZertifikat::Command1_Click() {
    // The list may have changed since the check: the account is the one with that address and
    // server, at its number then if it is still there.
    const auto same = [this](int i) {
        return i >= 1 && i <= AccountCount() && Accounts.at(i).EMail == rejected_.email && Accounts.at(i).Server == rejected_.server;
    };
    int k = same(rejected_.account) ? rejected_.account : 0;
    for (int i = 1; i <= AccountCount() && k == 0; ++i) {
        if (same(i))
            k = i;
    }
    if (k > 0) {
        const QString fingerprint = Tls::Fingerprint(rejected_.certificate);
        Accounts[k].Zertifikat = fingerprint;
        SaveAccountZertifikat(Accounts.at(k));
    }
    accept();
}
