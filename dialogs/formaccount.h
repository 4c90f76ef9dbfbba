#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The account editor "IMAP Account": one IMAP account is entered or changed and written into the
// global Accounts list (in memory only; the store is written by the settings dialog's save).
//
// The editor deletes itself when it closes: create it with new, prefill it, then exec() it. The
// hidden label Label10 holds the mode: "Label10" appends a new account, a number k writes into
// entry k. A caller that prefills it itself sets Text1, Text8, Text2, Text3, Text4, Text5 and, for
// editing, Label10, Command2 and Frame2 (see EditAccount for the captions).
class formAccount : public QDialog {
    Q_OBJECT
public:
    explicit formAccount(QWidget* parent = nullptr);
    ~formAccount() override;

    // The calling sequences: each opens a new editor modally over the parent and returns when it
    // has closed. Edit and copy do nothing for a number that is not an account.
    static void AddAccount(QWidget* parent);
    static void EditAccount(QWidget* parent, int k);
    static void CopyAccount(QWidget* parent, int k);

    // Fills the fields from account k (the password, the encryption and the trusted certificate too).
    void PrefillFrom(int k);

    // The open editor, or nullptr (the main window closes it when the program ends).
    static formAccount* Instance();

    // The banner and its heading.
    QFrame* Shape1;
    QLabel* Label1;
    // The frame around the fields; its caption names the mode.
    QGroupBox* Frame2;
    QLabel* Label2;   // "E-Mail Adresse"
    QLabel* Label3;   // "Servername oder IP-Adresse"
    QLabel* Label4;   // "Port"
    QLabel* Label5;   // "Benutzername"
    QLabel* Label6;   // "Passwort"
    QLabel* Label9;   // "Mailbox"
    QLabel* Label10;  // hidden mode marker
    QLabel* Label11;  // "Neue E-Mails:"
    QLabel* Label12;  // "Vertrautes Zertifikat (SHA-256)"
    QLabel* Label13;  // "Verschlüsselung:"
    QLineEdit* Text1;  // EMail
    QLineEdit* Text8;  // Mailbox
    QLineEdit* Text2;  // Server
    QLineEdit* Text3;  // Port
    QLineEdit* Text4;  // Username
    QLineEdit* Text5;  // Password, shown as "*"
    QComboBox* Combo1;  // Zaehlweise: entry 0 the server's RECENT flag, entry 1 unseen since the last check
    QComboBox* Combo2;  // Verschluesselung: "Keine", "STARTTLS", "SSL/TLS" (the index is the stored value)
    QLineEdit* Text9;   // the trusted certificate's fingerprint, read only
    QPushButton* Command8;  // "Vergessen": forgets the trusted certificate
    QPushButton* Command2;  // save
    QPushButton* Command6;  // "Abbrechen", also Esc
    QPushButton* Command7;  // "?"

    // The texts of the input checks, in the order they are made.
    static const QString PortNotNumeric;
    static const QString PortOutOfRange;
    static const QString ServerMissing;
    static const QString EMailMissing;
    static const QString UsernameMissing;
    static const QString PasswordMissing;
    static const QString MailboxMissing;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Command2_Click();
    void Command6_Click();
    void Command7_Click();
    void Combo2_Change(int index);
    void Command8_Click();
    void ShowZertifikat(const QString& fingerprint);
    // The first failing input check's text, empty when all pass.
    QString FirstInputError() const;
    void WriteBack();

    int lastEncryption_ = 0;
    QString zertifikat_;
};
