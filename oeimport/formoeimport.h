#pragma once

#include <QDialog>
#include <QVector>
#include <functional>

class ListView;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The import dialog "Outlook Express Accounts importieren": on the left the IMAP accounts that
// Outlook Express keeps (rows whose address an own account already has are grey), on the right
// the own accounts. Taking over and editing go through the account editor; all changes are made
// to the global Accounts in memory, "Änderungen speichern" writes them to the store, and every
// close reloads Accounts from the store and refills the settings dialog's list when that is
// visible. One instance; it deletes itself when it closes.
class formOEImport : public QDialog {
    Q_OBJECT
public:
    ~formOEImport() override;

    // Shows the dialog: modal over modalOver (the settings dialog's import button), returning when
    // it has closed, or modeless for nullptr (the tray menu), returning at once. The program's
    // wiring sets `Forms::ShowImport = formOEImport::Show;`.
    //
    // One instance: a request while the dialog is open brings the open one to the front. When the
    // settings dialog asks while the dialog is open modeless from the tray menu, the open dialog
    // turns modal and the settings dialog waits until it closes, as if it had opened it itself;
    // so the two windows never edit the account list side by side.
    static void Show(QWidget* modalOver);
    // The open dialog, or nullptr.
    static formOEImport* Instance();
    // Closes the open dialog (with its unload step); does nothing when none is open. For the main
    // window's shutdown.
    static void CloseIfOpen();

    // Refill ListView1 from the Outlook Express accounts and ListView2 from Accounts.
    void FillOEList();
    void FillAccountList();

    // The grey of rows whose address is already monitored.
    static QColor MonitoredColor();

    QFrame* Shape1;
    QLabel* Label1;

    QGroupBox* Frame1;  // "Outlook Express IMAP Accounts"
    ListView* ListView1;
    QPushButton* Command2;  // take the selected account over

    QGroupBox* Frame2;  // "Postfalke Accounts"
    ListView* ListView2;
    QPushButton* Command4;  // edit the selected account
    QPushButton* Command5;  // delete the selected account

    QPushButton* Command1;  // "Änderungen speichern"
    QPushButton* Command3;  // "Abbrechen"
    QPushButton* Command7;  // "?"

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    explicit formOEImport(QWidget* owner);
    void Load();
    void Unload();

    // Runs act on the row selected in list and refills both lists after it.
    void ActOnSelectedRow(const ListView& list, const std::function<bool(int)>& act);
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();

    bool unloaded_ = false;
    bool placed_ = false;
    // Per row of the left list: the account wants SSL/TLS from the start.
    QVector<bool> secureRows_;
};
