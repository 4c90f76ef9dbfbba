#include "oeimport/formoeimport.h"

#include "dialogs/accountlist.h"
#include "core/formlayout.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/msgbox.h"
#include "core/shell.h"
#include "core/singlewindow.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "oeimport/oeaccountinfo.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>

using namespace FormLayout;

namespace {
ListView* MakeList(QWidget* parent, const char* name) {
    auto* list = new ListView(parent);
    list->setObjectName(QLatin1String(name));
    Place(list, 240, 360, 5775, 3855);
    return list;
}

// True when an own account has exactly this address (letter case counts).
bool IsMonitored(const QString& email) {
    for (int i = 1; i <= AccountCount(); ++i) {
        if (Accounts.at(i).EMail == email)
            return true;
    }
    return false;
}
// The bottom row of buttons begins below the two frames.
constexpr int kFooterTop = 5535;
}  // namespace

QColor formOEImport::MonitoredColor() { return QColor(128, 128, 128); }

formOEImport::formOEImport(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("formOEImport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Outlook Express Accounts importieren"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(Px(12975), Px(6135));
    // Wider than a small screen at a large font: then the window's content scrolls.
    const TallDialog parts = SplitForScreen(this, 12975, 6135, kFooterTop);
    QWidget* body = parts.Body;

    Shape1 = MakeBanner(body, 12975, 495);
    Label1 = MakeHeading(body, QStringLiteral("IMAP Accounts aus Outlook Express importieren"), 240, 120, 7455, 255);

    Frame1 = Make<QGroupBox>(body, "Frame1", QStringLiteral("Outlook Express IMAP Accounts"), 120, 600, 6255, 4935);
    ListView1 = MakeList(Frame1, "ListView1");
    Command2 = MakeButton(Frame1, "Command2", QStringLiteral("Account übernehmen -->"), 240, 4320, 5775, 375);

    Frame2 = Make<QGroupBox>(body, "Frame2", QStringLiteral("Postfalke Accounts"), 6600, 600, 6255, 4935);
    ListView2 = MakeList(Frame2, "ListView2");
    Command4 = MakeButton(Frame2, "Command4", QStringLiteral("Account bearbeiten"), 240, 4320, 2775, 375);
    Command5 = MakeButton(Frame2, "Command5", QStringLiteral("Account löschen"), 3240, 4320, 2775, 375);

    const int row = 5640 - kFooterTop;
    Command1 = MakeButton(parts.Footer, "Command1", QStringLiteral("Änderungen speichern"), 120, row, 6015, 375);
    Command3 = MakeButton(parts.Footer, "Command3", QStringLiteral("Abbrechen"), 6240, row, 6015, 375);
    Command7 = MakeButton(parts.Footer, "Command7", QStringLiteral("?"), 12360, row, 495, 375);

    SetTabOrder({ListView1, Command2, ListView2, Command4, Command5, Command1, Command3, Command7});

    connect(ListView1, &ListView::DblClick, this, &formOEImport::Command2_Click);
    connect(ListView2, &ListView::DblClick, this, &formOEImport::Command4_Click);
    connect(Command1, &QPushButton::clicked, this, &formOEImport::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &formOEImport::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(Command4, &QPushButton::clicked, this, &formOEImport::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &formOEImport::Command5_Click);
    connect(Command7, &QPushButton::clicked, this, &OpenHelpStartPage);

    Load();
}

formOEImport::~formOEImport() = default;

formOEImport* formOEImport::Instance() { return SingleWindow::Slot<formOEImport>(); }

void formOEImport::Show(QWidget* modalOver) {
    if (formOEImport* open = Instance()) {
        // The settings dialog asks while the window is open from the tray menu: the open window
        // becomes the settings dialog's modal import dialog. Not while a window of its own (the
        // editor, the delete question) is modal over it: then it only comes to the front.
        if (modalOver && !open->isModal() && !QApplication::activeModalWidget()) {
            open->hide();
            open->setParent(modalOver, open->windowFlags());
            open->exec();
            return;
        }
        open->raise();
        open->activateWindow();
        return;
    }
    auto* dialog = SingleWindow::Get<formOEImport>([modalOver] { return new formOEImport(modalOver); });
    if (modalOver)
        dialog->exec();
    else
        SingleWindow::ToFront(dialog);
}

void formOEImport::CloseIfOpen() { SingleWindow::CloseIfOpen<formOEImport>(); }

void formOEImport::showEvent(QShowEvent* event) {
    // Centred over the window that opened it (on the screen when there is none) the first time.
    if (!event->spontaneous() && !placed_) {
        placed_ = true;
        CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
    }
    QDialog::showEvent(event);
}

void formOEImport::Load() {
    ListView1->SetReportView();
    ListView1->AddColumn(QStringLiteral("E-Mail Adresse"), 1960);
    ListView1->AddColumn(QStringLiteral("Benutzername"), 1900);
    ListView1->AddColumn(QStringLiteral("Server"), 1210, ListView::Align::Center);
    ListView1->AddColumn(QStringLiteral("Port"), 580);
    FillOEList();

    ListView2->SetReportView();
    ListView2->AddColumn(QStringLiteral("ID"), 400);
    ListView2->AddColumn(QStringLiteral("E-Mail Adresse"), 2560);
    ListView2->AddColumn(QStringLiteral("Mailbox"), 1210, ListView::Align::Center);
    ListView2->AddColumn(QStringLiteral("Server"), 1480, ListView::Align::Center);
    FillAccountList();
    ListView1->EnableWhileSelected({Command2});
    ListView2->EnableWhileSelected({Command4, Command5});
}

void formOEImport::FillOEList() {
    secureRows_.clear();
    ListView1->Refill([this] {
        for (const OEAccount& oe : ReadOEImapAccounts()) {
            secureRows_.append(oe.IMAPSecureConnection == 1);
            const int row = ListView1->AddRow(oe.SMTPEmailAddress);
            ListView1->SetSubItem(row, 1, oe.IMAPUserName);
            ListView1->SetSubItem(row, 2, oe.IMAPServer);
            ListView1->SetSubItem(row, 3, QString::number(oe.IMAPPort));
            // Grey rows stay selectable: taking one over again offers the same address once more.
            if (IsMonitored(oe.SMTPEmailAddress)) {
                for (int column = 0; column < 4; ++column)
                    ListView1->SetColor(row, column, MonitoredColor());
            }
        }
    });
}

void formOEImport::FillAccountList() { AccountList::Fill(*ListView2); }

// The buttons of both lists act on the selected row and refill both lists after it.

void formOEImport::ActOnSelectedRow(const ListView& list, const std::function<bool(int)>& act) {
    AccountList::ActOnSelectedRow(this, list, act, [this] {
        FillAccountList();
        FillOEList();
    });
}

void formOEImport::Command2_Click() {
    ActOnSelectedRow(*ListView1, [this](int row) {
        // The editor stays in its add mode; the user still has to type the password.
        auto* editor = new formAccount(this);
        editor->Text1->setText(ListView1->Text(row, 0));
        editor->Text8->setText(QStringLiteral("INBOX"));
        editor->Text2->setText(ListView1->Text(row, 2));
        // The choice first: its port rule must not touch the port taken over.
        editor->Combo2->setCurrentIndex(secureRows_.value(row - 1) ? 2 : 0);
        editor->Text3->setText(ListView1->Text(row, 3));
        editor->Text4->setText(ListView1->Text(row, 1));
        editor->Text5->clear();
        // The password is the one field the user still has to fill.
        editor->Text5->setFocus();
        editor->exec();
        return true;
    });
}

void formOEImport::Command4_Click() {
    ActOnSelectedRow(*ListView2, [this](int k) {
        formAccount::EditAccount(this, k);
        return true;
    });
}

void formOEImport::Command5_Click() {
    ActOnSelectedRow(*ListView2, [this](int k) { return AccountList::AskAndDelete(this, *ListView2, k); });
}

void formOEImport::Command1_Click() {
    if (!SaveAccounts()) {
        MsgBox::Warning(this, Store::SaveFailedMessage());
        return;
    }
    close();
}

void formOEImport::done(int result) {
    Unload();
    QDialog::done(result);
}

void formOEImport::Unload() {
    // Every way of closing ends here, after saving too: Accounts goes back to what the store holds.
    if (!AccountList::ReloadOnce(unloaded_, QStringLiteral("formOEImport_Unload()")))
        return;
    SingleWindow::Release(this);
    formEinstellungen* settings = formEinstellungen::Instance();
    if (settings && settings->isVisible())
        settings->Command12->click();
}
