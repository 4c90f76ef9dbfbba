#pragma once

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The welcome dialog "Postfalke", shown by the start-up when there are no accounts: it offers to
// enter accounts by hand or to import them from Outlook Express; both buttons hand over to the
// settings dialog and close the welcome dialog. Modeless and single; it deletes itself when it
// closes.
class formWillkommen : public QDialog {
    Q_OBJECT
public:
    ~formWillkommen() override;

    // Shows the dialog, modeless: creates it or brings the open one to the front.
    static formWillkommen* ShowInstance();
    // The open dialog, or nullptr.
    static formWillkommen* Instance();
    // Closes the open dialog; does nothing when none is open.
    static void CloseIfOpen();

    // The text of Label2 (line breaks CR LF).
    static QString WelcomeText();

    QFrame* Shape1;
    QLabel* Label1;  // "Willkommen bei Postfalke"
    QGroupBox* Frame1;
    QLabel* Label2;  // the welcome text
    QPushButton* Command1;  // "Accounts manuell anlegen"
    QPushButton* Command2;  // "Accounts aus Outlook Express importieren"
    QPushButton* Command7;  // "?"

private:
    explicit formWillkommen(QWidget* parent = nullptr);
    void Command1_Click();
    void Command2_Click();
};
