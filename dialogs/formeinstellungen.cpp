#include "dialogs/formeinstellungen.h"

#include "dialogs/accountlist.h"
#include "core/formlayout.h"
#include "core/account.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/keyring.h"
#include "core/keyringpasswords.h"
#include "core/listview.h"
#include "core/msgbox.h"
#include "core/numeric.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/singlewindow.h"
#include "core/sound.h"
#include "dialogs/commdlg.h"
#include "dialogs/formaccount.h"
#include "desktop/autostart.h"
#include "desktop/mailclient.h"

#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace FormLayout;

namespace {
// Both choosers ask for a file that exists, without the read-only box.
constexpr qint32 kChooserFlags =
    CommDlg::FileMustExist | CommDlg::PathMustExist | CommDlg::HideReadOnly | CommDlg::OverwritePrompt;

// The bottom row of buttons begins below the last frame.
constexpr int kFooterTop = 8895;

// The play symbol: a black triangle pointing right, 12 x 16 pixels.
QPixmap PlaySymbol() {
    QPixmap picture(12, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPointF triangle[] = {{2.0, 2.0}, {11.0, 8.0}, {2.0, 14.0}};
    painter.drawPolygon(triangle, 3);
    return picture;
}
}  // namespace

const QString formEinstellungen::IntervalNotNumeric =
    CrLf + QStringLiteral("Bitte geben Sie eine ganze Zahl ein!") + CrLf;
const QString formEinstellungen::IntervalNotNumericOnSave =
    CrLf + QStringLiteral("Bitte geben Sie beim Kontroll-Intervall eine ganze Zahl ein!") + CrLf +
    QStringLiteral("Die Änderungen wurden nicht gespeichert.") + CrLf;
const QString formEinstellungen::IntervalOutOfRange =
    CrLf + QStringLiteral("Das Kontroll-Intervall muss eine Zahl von -32768 bis 32767 sein!") + CrLf +
    QStringLiteral("Die Änderungen wurden nicht gespeichert.") + CrLf;
const QString formEinstellungen::SoundFileMissing = CrLf + QStringLiteral("Sound-Datei existiert nicht!") + CrLf;
const QString formEinstellungen::AutostartFailed =
    CrLf + QStringLiteral("Der Start beim Anmelden konnte nicht eingerichtet werden.") + CrLf;

formEinstellungen::formEinstellungen(QWidget* parent) : QDialog(parent) {
    SetUpFixedDialog(this, "formEinstellungen", QStringLiteral("Postfalke Einstellungen"), 7095, 9495);
    // Taller than a small screen at a large font: then everything above the bottom row scrolls.
    const TallDialog parts = SplitForScreen(this, 7095, 9495, kFooterTop);
    QWidget* body = parts.Body;

    Shape1 = MakeBanner(body, 7095, 495);
    Label1 = MakeHeading(body, QStringLiteral("Einstellungen"), 240, 120, 6615, 255);

    Frame1 = Make<QGroupBox>(body, "Frame1", QStringLiteral("IMAP Accounts"), 120, 600, 6855, 3615);
    ListView1 = new ListView(Frame1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    Place(ListView1, 240, 360, 6375, 2055);
    Command5 = MakeButton(Frame1, "Command5", QStringLiteral("Account bearbeiten"), 240, 2520, 2055, 375);
    Command9 = MakeButton(Frame1, "Command9", QStringLiteral("Account kopieren"), 2400, 2520, 2055, 375);
    Command1 = MakeButton(Frame1, "Command1", QStringLiteral("Account löschen"), 4560, 2520, 2055, 375);
    Command6 = MakeButton(Frame1, "Command6", QStringLiteral("Neuen Account hinzufügen"), 240, 3000, 3135, 375);
    Command2 = MakeButton(Frame1, "Command2", QStringLiteral("Outlook Express Accounts importieren"), 3480, 3000,
                          3135, 375);

    // The labels lie under their fields where they are wider than the gap.
    Frame3 = Make<QGroupBox>(body, "Frame3", QStringLiteral("Allgemeine Einstellungen"), 120, 4440, 6855, 2055);
    Label7 = Make<QLabel>(Frame3, "Label7", QStringLiteral("Kontroll-Intervall (Minuten)"), 240, 400, 2775, 255);
    Label8 = Make<QLabel>(Frame3, "Label8", QStringLiteral("E-Mail Programm"), 240, 760, 2175, 255);
    Text6 = Make<QLineEdit>(Frame3, "Text6", 2160, 360, 495, 285);
    Text7 = Make<QLineEdit>(Frame3, "Text7", 2160, 720, 3855, 285);
    Command7 = MakeButton(Frame3, "Command7", QStringLiteral("..."), 6120, 720, 495, 285);
    Label9 = Make<QLabel>(Frame3, "Label9", QString(), 2160, 1040, 4455, 255);
    // Start at login and keeping passwords in the desktop's keyring; each shows only where the
    // platform offers it.
    Check4 = Make<QCheckBox>(Frame3, "Check4", QStringLiteral("Beim Anmelden starten"), 240, 1360, 6375, 255);
    Check5 = Make<QCheckBox>(Frame3, "Check5", QStringLiteral("Passwörter im Schlüsselbund des Systems speichern"), 240,
                             1660, 6375, 255);
    Check4->hide();
    Check5->setVisible(Keyring::Supported());
    // The keyring failed while the passwords were being moved in: the choice is off again.
    connect(&KeyringPasswords::Instance(), &KeyringPasswords::SwitchedOff, Check5,
            [this] { Check5->setChecked(false); });

    Frame2 = Make<QGroupBox>(body, "Frame2", QStringLiteral("Benachrichtigungs Einstellungen"), 120, 6720, 6855,
                             2175);
    Check2 = Make<QCheckBox>(Frame2, "Check2", QStringLiteral("Benachrichtigungsfenster anzeigen"), 240, 360, 3135, 255);
    Check3 = Make<QCheckBox>(Frame2, "Check3", QStringLiteral("Balloon-Tip im System-Tray anzeigen"), 3600, 360, 3135,
                             255);
    Check1 = Make<QCheckBox>(Frame2, "Check1", QStringLiteral("Benachrichtigungsfenster hat Fokus"), 600, 630, 3015, 255);
    Command11 = MakeButton(Frame2, "Command11", QStringLiteral("Test-Balloon anzeigen"), 3960, 630, 2655, 255);
    // The three options are the only radio buttons of the frame, so they form one group.
    Option3 = Make<QRadioButton>(Frame2, "Option3", QStringLiteral("kein Ton"), 240, 1080, 1335, 255);
    Option1 = Make<QRadioButton>(Frame2, "Option1", QStringLiteral("System-Beep"), 240, 1390, 2775, 255);
    Option2 = Make<QRadioButton>(Frame2, "Option2", QStringLiteral("Wave-Datei (*.wav) :"), 240, 1710, 2895, 255);
    Text9 = Make<QLineEdit>(Frame2, "Text9", 2040, 1680, 3615, 285);
    Command8 = MakeButton(Frame2, "Command8", QStringLiteral("..."), 5760, 1680, 495, 285);
    Command10 = MakeButton(Frame2, "Command10", QString(), 6360, 1680, 285, 285);
    Command10->setIcon(QIcon(PlaySymbol()));
    Command10->setIconSize(QSize(12, 16));
    // Each field and symbol button is named for what it holds or does, for screen readers too.
    Label7->setBuddy(Text6);
    Label8->setBuddy(Text7);
    Text9->setAccessibleName(QStringLiteral("Wave-Datei"));
    Command7->setAccessibleName(QStringLiteral("E-Mail Programm auswählen"));
    Command8->setAccessibleName(QStringLiteral("Wave-Datei auswählen"));
    Command10->setAccessibleName(QStringLiteral("Wave-Datei abspielen"));
    Command10->setToolTip(Command10->accessibleName());

    Command3 = MakeButton(parts.Footer, "Command3", QStringLiteral("Änderungen speichern"), 120, 9000 - kFooterTop, 3135, 375);
    Command4 = MakeButton(parts.Footer, "Command4", QStringLiteral("Abbrechen"), 3360, 9000 - kFooterTop, 3015, 375);
    Command13 = MakeButton(parts.Footer, "Command13", QStringLiteral("?"), 6480, 9000 - kFooterTop, 495, 375);
    Command12 = MakeButton(this, "Command12", QStringLiteral("Command12"), 0, 0, 0, 0);
    Command12->hide();

    SetTabOrder({ListView1, Command5, Command9, Command1, Command6, Command2, Text6, Text7, Command7, Check4, Check5,
                 Check2, Check3, Check1, Command11, Option3, Option1, Option2, Text9, Command8, Command10, Command3,
                 Command4, Command13});
    PressOnEscape(this, Command4);

    connect(ListView1, &ListView::DblClick, this, &formEinstellungen::Command5_Click);
    connect(Command1, &QPushButton::clicked, this, &formEinstellungen::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &formEinstellungen::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &formEinstellungen::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &QWidget::close);
    connect(Command5, &QPushButton::clicked, this, &formEinstellungen::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &formEinstellungen::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &formEinstellungen::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &formEinstellungen::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &formEinstellungen::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &formEinstellungen::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &formEinstellungen::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &formEinstellungen::FillAccountList);
    connect(Text7, &QLineEdit::textChanged, this, &formEinstellungen::ShowMailClientHint);
    connect(Command13, &QPushButton::clicked, this, &OpenHelpStartPage);
    Text6->installEventFilter(this);

    CentreOver(this, nullptr);
    Load();
}

formEinstellungen::~formEinstellungen() = default;

formEinstellungen* formEinstellungen::Instance() { return SingleWindow::Slot<formEinstellungen>(); }

formEinstellungen* formEinstellungen::ShowInstance() {
    formEinstellungen* dialog = SingleWindow::Get<formEinstellungen>([] { return new formEinstellungen; });
    SingleWindow::ToFront(dialog);
    return dialog;
}

void formEinstellungen::Load() {
    ListView1->SetReportView();
    ListView1->AddColumn(QStringLiteral("ID"), 400);
    ListView1->AddColumn(QStringLiteral("E-Mail Adresse"), 2560);
    ListView1->AddColumn(QStringLiteral("Mailbox"), 1310, ListView::Align::Center);
    ListView1->AddColumn(QStringLiteral("Server"), 1660, ListView::Align::Center);
    FillAccountList();
    ListView1->EnableWhileSelected({Command5, Command9, Command1});

    Text6->setText(QString::number(Settings.KontrollIntervall));
    Text7->setText(Settings.EMailProgramm);
    Text9->setText(Settings.SoundDatei);
    // A stored value other than 0, 1 and 2 selects no option (and is kept when saving).
    switch (Settings.Sound) {
    case SoundChoice::None: Option3->setChecked(true); break;
    case SoundChoice::WaveFile: Option2->setChecked(true); break;
    case SoundChoice::Beep: Option1->setChecked(true); break;
    default: break;
    }
    Check1->setChecked(Settings.BenachrichtigungFokus == 1);
    Check2->setChecked(Settings.Benachrichtigungsfenster == 1);
    Check3->setChecked(Settings.BalloonTip == 1);
    Check5->setChecked(Settings.Schluesselbund == 1);
    // The box shows what is really there, whoever wrote or removed the entry.
    Check4->setVisible(Autostart::Available());
    Check4->setChecked(Autostart::IsEnabled());
    if (const std::optional<MailClient::Client> client = MailClient::DesktopDefault())
        desktopMailClient_ = client->name;
    ShowMailClientHint();
}

void formEinstellungen::ShowMailClientHint() {
    const bool namesNone = NamesNoEMailProgram(Text7->text());
    Label9->setVisible(namesNone);
    Label9->setText(desktopMailClient_.isEmpty() ? QStringLiteral("Das System nennt kein E-Mail Programm.")
                                                 : QStringLiteral("Es startet das Programm des Systems: ") + desktopMailClient_);
}

void formEinstellungen::FillAccountList() { AccountList::Fill(*ListView1); }

// The account buttons take the selected row's position as the account number.

void formEinstellungen::Command6_Click() {
    QPointer<formEinstellungen> self(this);
    formAccount::AddAccount(this);
    if (self)
        FillAccountList();
}

void formEinstellungen::ActOnSelectedAccount(const std::function<bool(int)>& act) {
    AccountList::ActOnSelectedRow(this, *ListView1, act, [this] { FillAccountList(); });
}

void formEinstellungen::Command5_Click() {
    ActOnSelectedAccount([this](int k) {
        formAccount::EditAccount(this, k);
        return true;
    });
}

void formEinstellungen::Command9_Click() {
    ActOnSelectedAccount([this](int k) {
        formAccount::CopyAccount(this, k);
        return true;
    });
}

void formEinstellungen::Command1_Click() {
    ActOnSelectedAccount([this](int k) { return AccountList::AskAndDelete(this, *ListView1, k); });
}

void formEinstellungen::Command2_Click() { Forms::Call(Forms::ShowImport, static_cast<QWidget*>(this)); }

void formEinstellungen::ChooseFile(QLineEdit* field, const QString& filter, const QString& defaultExtension,
                                   const QString& initialName) {
    QString folder = QDir::toNativeSeparators(Paths::ProgramFolder());
    QString name = initialName;
    qintptr owner = CommDlg::WindowHandle(this);
    qint32 flags = kChooserFlags;
    QPointer<formEinstellungen> self(this);
    const QString chosen = ShowFileDialog(folder, filter, 1, defaultExtension, name, QStringLiteral("Datei öffnen"),
                                          owner, true, flags);
    if (self && chosen != CommDlg::Cancelled())
        field->setText(chosen);
}

void formEinstellungen::Command7_Click() {
    ChooseFile(Text7, QStringLiteral("Alle Dateien (*.*)"), QString(), QString());
}

void formEinstellungen::Command8_Click() {
    ChooseFile(Text9, QStringLiteral("wav-Dateien (*.wav)"), QStringLiteral("wav"), QStringLiteral("*.wav"));
}

void formEinstellungen::Command10_Click() {
    // The whole program waits while the sound plays (only timers and sockets go on).
    setCursor(Qt::WaitCursor);
    QPointer<formEinstellungen> self(this);
    const QString path = Text9->text();
    if (FileExists(path))
        Sound::PlaySync(path);
    else
        MsgBox::Warning(this, SoundFileMissing);
    if (self)
        unsetCursor();
}

void formEinstellungen::Command11_Click() { Forms::Call(Forms::PressMainCommand6); }

bool formEinstellungen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text6 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Only when the focus moves on inside the dialog, not for a context menu or another window.
        // The check runs after the focus change, so that a message box does not cut into a click.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            focusCheckPending_ = true;
            QTimer::singleShot(0, this, &formEinstellungen::Text6_LostFocus);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void formEinstellungen::Text6_LostFocus() {
    if (!focusCheckPending_ || unloaded_)
        return;
    focusCheckPending_ = false;
    // Only a number is asked for: 0, negative numbers and fractions pass.
    if (Numeric::IsNumeric(Text6->text()))
        return;
    QPointer<formEinstellungen> self(this);
    MsgBox::Information(this, IntervalNotNumeric);
    if (self)
        Text6->setFocus();
}

void formEinstellungen::Command3_Click() {
    // The interval is checked before anything is written: a refused interval leaves the store and
    // the running settings as they were, and the dialog open.
    const QString interval = Text6->text();
    const QString error = !Numeric::IsNumeric(interval)  ? IntervalNotNumericOnSave
                          : !Numeric::FitsInt16(interval) ? IntervalOutOfRange
                                                           : QString();
    if (!error.isEmpty()) {
        // This message stands for a focus check that may still be due.
        focusCheckPending_ = false;
        QPointer<formEinstellungen> self(this);
        MsgBox::Information(this, error);
        if (self)
            Text6->setFocus();
        return;
    }

    const SettingsRecord previous = Settings;
    Settings.KontrollIntervall = Numeric::ToInt16(interval);
    Settings.EMailProgramm = Text7->text();
    Settings.BenachrichtigungFokus = Check1->isChecked() ? 1 : 0;
    Settings.Benachrichtigungsfenster = Check2->isChecked() ? 1 : 0;
    Settings.BalloonTip = Check3->isChecked() ? 1 : 0;
    // The passwords move after the store is written, while the program goes on.
    Settings.Schluesselbund = Check5->isChecked() ? 1 : 0;
    Settings.SoundDatei = Text9->text();
    if (Option1->isChecked())
        Settings.Sound = SoundChoice::Beep;
    else if (Option2->isChecked())
        Settings.Sound = SoundChoice::WaveFile;
    else if (Option3->isChecked())
        Settings.Sound = SoundChoice::None;
    // A store that cannot be written keeps the dialog open with its edits, and nothing is
    // reloaded over them.
    if (!SaveAccounts() || !SaveSettings()) {
        Settings = previous;
        MsgBox::Warning(this, Store::SaveFailedMessage());
        return;
    }
    if (Autostart::Available() && Check4->isChecked() != Autostart::IsEnabled() &&
        !Autostart::SetEnabled(Check4->isChecked())) {
        QPointer<formEinstellungen> self(this);
        MsgBox::Warning(this, AutostartFailed);
        if (!self)
            return;
    }
    accept();
}

void formEinstellungen::done(int result) {
    // Every way of closing ends here: unsaved account changes are dropped by reloading the store.
    if (AccountList::ReloadOnce(unloaded_, QStringLiteral("formEinstellungen_Unload()"))) {
        focusCheckPending_ = false;
        SingleWindow::Release(this);
    }
    QDialog::done(result);
}
