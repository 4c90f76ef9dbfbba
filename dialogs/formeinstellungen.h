#pragma once

#include <QDialog>
#include <functional>

class ListView;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings dialog "Postfalke Einstellungen": the account list (add, edit, copy, delete,
// import), the check interval, the e-mail program and the notification settings. Modeless and
// single: ShowInstance() opens it or brings the open one to the front. It edits the global
// Accounts in place (the running checks see the changes at once); "Änderungen speichern" writes
// the accounts and the settings to the store, and every close reloads Accounts from the store, so
// unsaved account changes disappear. The dialog deletes itself when it closes.
class formEinstellungen : public QDialog {
    Q_OBJECT
public:
    ~formEinstellungen() override;

    // Shows the dialog, modeless: creates it (load step) or brings the open one to the front.
    static formEinstellungen* ShowInstance();
    // The open dialog, or nullptr. The import dialog presses Command12 of it when it is visible.
    static formEinstellungen* Instance();

    // Refills ListView1 from Accounts: row i is account i.
    void FillAccountList();

    QFrame* Shape1;
    QLabel* Label1;

    QGroupBox* Frame1;  // "IMAP Accounts"
    ListView* ListView1;
    QPushButton* Command5;  // edit the selected account
    QPushButton* Command9;  // copy the selected account
    QPushButton* Command1;  // delete the selected account
    QPushButton* Command6;  // add an account
    QPushButton* Command2;  // import (the welcome dialog presses it)

    QGroupBox* Frame3;  // "Allgemeine Einstellungen"
    QLabel* Label7;
    QLineEdit* Text6;  // KontrollIntervall
    QLabel* Label8;
    QLineEdit* Text7;       // EMailProgramm
    QPushButton* Command7;  // chooses Text7

    QCheckBox* Check4;  // "Beim Anmelden starten"
    QCheckBox* Check5;  // Schluesselbund: passwords in the desktop's keyring (shown when built with it)
    QGroupBox* Frame2;  // "Benachrichtigungs Einstellungen"
    QCheckBox* Check2;  // Benachrichtigungsfenster
    QCheckBox* Check3;  // BalloonTip
    QCheckBox* Check1;  // BenachrichtigungFokus
    QPushButton* Command11;  // test balloon
    QRadioButton* Option3;   // Sound 0
    QRadioButton* Option1;   // Sound 1
    QRadioButton* Option2;   // Sound 2
    QLineEdit* Text9;        // SoundDatei
    QPushButton* Command8;   // chooses Text9
    QPushButton* Command10;  // plays Text9

    QPushButton* Command3;   // "Änderungen speichern"
    QPushButton* Command4;   // "Abbrechen", also Esc
    QPushButton* Command13;  // "?"
    QPushButton* Command12;  // hidden: pressing it refills the account list

    // Message texts.
    static const QString IntervalNotNumeric;        // the focus check of Text6
    static const QString IntervalNotNumericOnSave;  // saving with a non-numeric interval
    static const QString IntervalOutOfRange;        // saving with an interval beyond 16 bits
    static const QString SoundFileMissing;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit formEinstellungen(QWidget* parent = nullptr);
    void Load();

    // Runs act on the selected account and refills the list after it.
    void ActOnSelectedAccount(const std::function<bool(int)>& act);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Text6_LostFocus();
    // Runs the file chooser for the e-mail program or the wave file; the chosen path goes into the
    // field, a cancel leaves it.
    void ChooseFile(QLineEdit* field, const QString& filter, const QString& defaultExtension,
                    const QString& initialName);

    bool focusCheckPending_ = false;
    bool unloaded_ = false;
};
