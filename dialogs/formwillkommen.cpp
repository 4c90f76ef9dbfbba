#include "dialogs/formwillkommen.h"

#include "core/formlayout.h"
#include "core/shell.h"
#include "core/singlewindow.h"
#include "dialogs/formeinstellungen.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace FormLayout;

QString formWillkommen::WelcomeText() {
    return QStringLiteral("Sie haben noch keine zu überwachenden IMAP E-Mail Konten angelegt.") + CrLf + CrLf +
           QStringLiteral("Wählen Sie unten, ob Sie diese manuell anlegen, oder aus Outlook Express importieren "
                          "wollen.") +
           CrLf +
           QStringLiteral("Natürlich können Sie auch später weitere Accounts hinzufügen und/oder importieren.") + CrLf +
           CrLf +
           QStringLiteral("Danach sollten Sie die Allgemeinen Einstellungen sowie die Einstellungen für die "
                          "Benachrichtigung überprüfen und gegebenfalls anpassen.") +
           CrLf + CrLf +
           QStringLiteral("Standardmäßig zeigt Postfalke bei neu eingegangenen E-Mails ein Benachrichtigungs- Fenster "
                          "an und alarmiert akustisch mittels System-Beep. ") +
           QStringLiteral("Sie können aber auch eine individuelle Wave-Datei für die Alarmierung wählen und/oder einen "
                          "Balloon-Tip im System-Tray anzeigen lassen.");
}

formWillkommen::formWillkommen(QWidget* parent) : QDialog(parent) {
    SetUpFixedDialog(this, "formWillkommen", QStringLiteral("Postfalke"), 7815, 4455);

    Shape1 = MakeBanner(this, 7815, 495);
    Label1 = MakeHeading(this, QStringLiteral("Willkommen bei Postfalke"), 240, 120, 6255, 255);

    Frame1 = Make<QGroupBox>(this, "Frame1", QString(), 120, 600, 7575, 3255);
    Label2 = Make<QLabel>(Frame1, "Label2", QString(), 240, 360, 7095, 2655);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Command1 = MakeButton(this, "Command1", QStringLiteral("Accounts manuell anlegen"), 120, 3960, 3495, 375);
    Command2 = MakeButton(this, "Command2", QStringLiteral("Accounts aus Outlook Express importieren"), 3720, 3960,
                          3375, 375);
    Command7 = MakeButton(this, "Command7", QStringLiteral("?"), 7200, 3960, 495, 375);

    connect(Command1, &QPushButton::clicked, this, &formWillkommen::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &formWillkommen::Command2_Click);
    connect(Command7, &QPushButton::clicked, this, &OpenHelpStartPage);

    CentreOver(this, nullptr);
    // Load step.
    Label2->setText(WelcomeText());
}

formWillkommen::~formWillkommen() = default;

formWillkommen* formWillkommen::Instance() { return SingleWindow::Slot<formWillkommen>(); }

formWillkommen* formWillkommen::ShowInstance() {
    formWillkommen* dialog = SingleWindow::Get<formWillkommen>([] { return new formWillkommen; });
    SingleWindow::ToFront(dialog);
    return dialog;
}

void formWillkommen::CloseIfOpen() { SingleWindow::CloseIfOpen<formWillkommen>(); }

void formWillkommen::Command1_Click() {
    formEinstellungen::ShowInstance();
    close();
}

void formWillkommen::Command2_Click() {
    QPointer<formEinstellungen> settings = formEinstellungen::ShowInstance();
    close();
    // The import dialog opens modally over the settings dialog, and its exec() would run inside
    // this click; so the button is pressed from the event loop, once this dialog is gone.
    QTimer::singleShot(0, settings, [settings] {
        if (settings && formEinstellungen::Instance() == settings)
            settings->Command2->click();
    });
}
