#include "dialogs/formaccount.h"

#include "core/formlayout.h"
#include "core/account.h"
#include "core/msgbox.h"
#include "core/numeric.h"
#include "core/shell.h"
#include "core/singlewindow.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace FormLayout;

namespace {
const QString kAddMode = QStringLiteral("Label10");
constexpr int kSslTls = 2;
const QString kPlainPort = QStringLiteral("143");
const QString kTlsPort = QStringLiteral("993");

}  // namespace

const QString formAccount::PortNotNumeric = QStringLiteral("Bitte geben Sie eine Zahl bei \"\"Port\"\" ein.");
const QString formAccount::PortOutOfRange =
    QStringLiteral("Bitte geben Sie bei \"Port\" eine Zahl von 1 bis 65535 ein.");
const QString formAccount::ServerMissing = QStringLiteral("Bitte geben Sie einen Server an.");
const QString formAccount::EMailMissing = QStringLiteral("Bitte geben Sie eine E-Mail Adresse an.");
const QString formAccount::UsernameMissing = QStringLiteral("Bitte geben Sie einen Benutzername an.");
const QString formAccount::PasswordMissing = QStringLiteral("Bitte geben Sie ein Passwort an.");
const QString formAccount::MailboxMissing = QStringLiteral("Bitte geben Sie eine Mailbox an.");

formAccount::formAccount(QWidget* parent) : QDialog(parent) {
    SetUpFixedDialog(this, "formAccount", QStringLiteral("IMAP Account"), 6975, 4935);
    setModal(true);

    Shape1 = MakeBanner(this, 6975, 495);
    Label1 = MakeHeading(this, QStringLiteral("IMAP Account hinzufügen/bearbeiten"), 240, 120, 6495, 255);

    Frame2 = Make<QGroupBox>(this, "Frame2", QStringLiteral("Account hinzufügen"), 120, 600, 6735, 3735);
    Label2 = Make<QLabel>(Frame2, "Label2", QStringLiteral("E-Mail Adresse"), 240, 360, 3015, 240);
    Label9 = Make<QLabel>(Frame2, "Label9", QStringLiteral("Mailbox"), 3480, 360, 3015, 240);
    Label3 = Make<QLabel>(Frame2, "Label3", QStringLiteral("Servername oder IP-Adresse"), 240, 1080, 3015, 240);
    Label13 = Make<QLabel>(Frame2, "Label13", QStringLiteral("Verschlüsselung:"), 3480, 1080, 1815, 240);
    Label4 = Make<QLabel>(Frame2, "Label4", QStringLiteral("Port"), 5520, 1080, 975, 240);
    Label5 = Make<QLabel>(Frame2, "Label5", QStringLiteral("Benutzername"), 240, 1800, 3015, 240);
    Label6 = Make<QLabel>(Frame2, "Label6", QStringLiteral("Passwort"), 3480, 1800, 3015, 240);
    Label12 = Make<QLabel>(Frame2, "Label12", QStringLiteral("Vertrautes Zertifikat (SHA-256)"), 240, 3000, 5055, 240);
    Label10 = Make<QLabel>(Frame2, "Label10", kAddMode, 240, 2280, 975, 195);
    Label10->hide();

    Text1 = Make<QLineEdit>(Frame2, "Text1", 240, 600, 3015, 285);
    Text8 = Make<QLineEdit>(Frame2, "Text8", 3480, 600, 3015, 285);
    Text2 = Make<QLineEdit>(Frame2, "Text2", 240, 1320, 3015, 285);
    Combo2 = Make<QComboBox>(Frame2, "Combo2", 3480, 1320, 1815, 285);
    Combo2->addItems({QStringLiteral("Keine"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")});
    Text3 = Make<QLineEdit>(Frame2, "Text3", 5520, 1320, 975, 285);
    Text4 = Make<QLineEdit>(Frame2, "Text4", 240, 2040, 3015, 285);
    Text5 = Make<QLineEdit>(Frame2, "Text5", 3480, 2040, 3015, 285);
    Text5->setEchoMode(QLineEdit::Password);
    Text5->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Label11 = Make<QLabel>(Frame2, "Label11", QStringLiteral("Neue E-Mails:"), 240, 2535, 1500, 240);
    Combo1 = Make<QComboBox>(Frame2, "Combo1", 1740, 2475, 4755, 315);
    Combo1->addItems({QStringLiteral("RECENT-Markierung des Servers"), QStringLiteral("Ungelesene seit der letzten Abfrage")});
    Text9 = Make<QLineEdit>(Frame2, "Text9", 240, 3240, 5055, 285);
    Text9->setReadOnly(true);
    Command8 = MakeButton(Frame2, "Command8", QStringLiteral("Vergessen"), 5520, 3240, 975, 285);
    // Each field is named by its own label, for screen readers too.
    Label2->setBuddy(Text1);
    Label9->setBuddy(Text8);
    Label3->setBuddy(Text2);
    Label4->setBuddy(Text3);
    Label5->setBuddy(Text4);
    Label6->setBuddy(Text5);
    Label11->setBuddy(Combo1);
    Label12->setBuddy(Text9);
    Label13->setBuddy(Combo2);

    Command2 = MakeButton(this, "Command2", QStringLiteral("Account hinzufügen"), 120, 4440, 3015, 375);
    Command6 = MakeButton(this, "Command6", QStringLiteral("Abbrechen"), 3240, 4440, 3015, 375);
    Command7 = MakeButton(this, "Command7", QStringLiteral("?"), 6360, 4440, 495, 375);

    SetTabOrder({Text1, Text8, Text2, Combo2, Text3, Text4, Text5, Combo1, Command8, Command2, Command6, Command7});
    PressOnEscape(this, Command6);
    Text1->setFocus();

    connect(Command2, &QPushButton::clicked, this, &formAccount::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &formAccount::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &formAccount::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &formAccount::Command8_Click);

    // Load step: the defaults of a new account, encrypted from the start.
    Combo2->setCurrentIndex(kSslTls);
    lastEncryption_ = kSslTls;
    Text3->setText(kTlsPort);
    Text8->setText(QStringLiteral("INBOX"));
    ShowZertifikat(QString());
    connect(Combo2, &QComboBox::currentIndexChanged, this, &formAccount::Combo2_Change);
    // A new account counts by UID, which other mail programs cannot hide.
    Combo1->setCurrentIndex(1);

    SingleWindow::Slot<formAccount>() = this;
}

formAccount::~formAccount() = default;

formAccount* formAccount::Instance() { return SingleWindow::Slot<formAccount>(); }

void formAccount::PrefillFrom(int k) {
    if (k < 1 || k > AccountCount())
        return;
    const Account& a = Accounts.at(k);
    Text1->setText(a.EMail);
    Text8->setText(a.Mailbox);
    Text2->setText(a.Server);
    Text3->setText(QString::number(a.Port));
    Text4->setText(a.Username);
    Text5->setText(a.Password);
    Combo1->setCurrentIndex(a.Zaehlweise == 1 ? 1 : 0);
    // The stored choice as it is: the port is not adjusted to it.
    const int encryption = a.Verschluesselung >= 0 && a.Verschluesselung <= kSslTls ? a.Verschluesselung : 0;
    lastEncryption_ = encryption;
    const QSignalBlocker quiet(Combo2);
    Combo2->setCurrentIndex(encryption);
    ShowZertifikat(a.Zertifikat);
}

void formAccount::ShowZertifikat(const QString& fingerprint) {
    zertifikat_ = fingerprint;
    Text9->setText(fingerprint.isEmpty() ? QStringLiteral("keines") : fingerprint);
    Text9->setCursorPosition(0);
    Command8->setEnabled(!fingerprint.isEmpty());
}

void formAccount::Combo2_Change(int index) {
    // The usual ports follow the choice; a port of the user's own stays.
    if (index == kSslTls && Text3->text() == kPlainPort)
        Text3->setText(kTlsPort);
    else if (lastEncryption_ == kSslTls && index != kSslTls && Text3->text() == kTlsPort)
        Text3->setText(kPlainPort);
    lastEncryption_ = index;
}

void formAccount::Command8_Click() { ShowZertifikat(QString()); }

void formAccount::AddAccount(QWidget* parent) { (new formAccount(parent))->exec(); }

void formAccount::EditAccount(QWidget* parent, int k) {
    if (k < 1 || k > AccountCount())
        return;
    auto* editor = new formAccount(parent);
    editor->PrefillFrom(k);
    editor->Label10->setText(QString::number(k));
    editor->Command2->setText(QStringLiteral("Account ändern"));
    editor->Frame2->setTitle(QStringLiteral("Account bearbeiten"));
    editor->exec();
}

void formAccount::CopyAccount(QWidget* parent, int k) {
    if (k < 1 || k > AccountCount())
        return;
    auto* editor = new formAccount(parent);
    editor->PrefillFrom(k);
    editor->Text5->clear();
    editor->Frame2->setTitle(QStringLiteral("Account kopieren"));
    editor->Command2->setText(QStringLiteral("Kopierten Account hinzufügen"));
    editor->exec();
}

void formAccount::showEvent(QShowEvent* event) {
    // Centred over the window that opened it (on the screen when there is none), kept on the screen.
    if (!event->spontaneous())
        CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
    QDialog::showEvent(event);
}

QString formAccount::FirstInputError() const {
    // A field is empty only when it holds no character at all; blanks count as input.
    if (!Numeric::IsNumeric(Text3->text()))
        return PortNotNumeric;
    // A TCP port.
    const double port = Numeric::RoundHalfEven(*Numeric::Parse(Text3->text()));
    if (port < 1.0 || port > 65535.0)
        return PortOutOfRange;
    if (Text2->text().isEmpty())
        return ServerMissing;
    if (Text1->text().isEmpty())
        return EMailMissing;
    if (Text4->text().isEmpty())
        return UsernameMissing;
    if (Text5->text().isEmpty())
        return PasswordMissing;
    if (Text8->text().isEmpty())
        return MailboxMissing;
    return QString();
}

void formAccount::WriteBack() {
    const QString mode = Label10->text();
    int k = 0;
    if (mode == kAddMode) {
        if (Accounts.isEmpty())
            Accounts.resize(1);
        Accounts.append(Account{});
        k = AccountCount();
    } else if (const std::optional<double> number = Numeric::Parse(mode)) {
        const double rounded = Numeric::RoundHalfEven(*number);
        // A number that names no account writes nothing.
        if (rounded < 1.0 || rounded > double(AccountCount()))
            return;
        k = int(rounded);
    } else {
        return;
    }
    // All fields at once; NewMailCount stays as the last check left it.
    Account& a = Accounts[k];
    a.EMail = Text1->text();
    a.Server = Text2->text();
    a.Port = quint16(Numeric::ToInt32(Text3->text()));
    a.Username = Text4->text();
    a.Password = Text5->text();
    a.Mailbox = Text8->text();
    a.Verschluesselung = qint16(Combo2->currentIndex());
    a.Zertifikat = zertifikat_;
    a.Zaehlweise = Combo1->currentIndex() == 1 ? 1 : 0;
}

void formAccount::Command2_Click() {
    const QString error = FirstInputError();
    if (!error.isEmpty()) {
        MsgBox::Information(this, error);
        return;
    }
    WriteBack();
    accept();
}

void formAccount::Command6_Click() { reject(); }

void formAccount::Command7_Click() { OpenHelpStartPage(); }
