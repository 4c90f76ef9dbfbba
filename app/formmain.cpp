#include "app/formmain.h"

#include "core/formlayout.h"
#include "app/alertdispatch.h"
#include "app/protocollist.h"
#include "check/checksummary.h"
#include "check/winsock.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/msgbox.h"
#include "core/runtimeerror.h"
#include "core/shell.h"
#include "core/singlewindow.h"
#include "core/version.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "dialogs/formwillkommen.h"
#include "dialogs/formzertifikat.h"
#include "oeimport/formoeimport.h"
#include "splash/formsplash.h"
#include "tray/formbenachrichtigung.h"
#include "tray/tray.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTime>
#include <QTimer>

namespace {
// The row of buttons begins below the two lists.
constexpr int kFooterTop = 4335;
}  // namespace

formMain::formMain(CheckCycle::Intervals intervals, std::unique_ptr<TrayPlatform> trayPlatform) {
    setWindowTitle(QStringLiteral("Postfalke"));
    // A fixed size: no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(Tray::ProgramIcon());
    setFixedSize(Px(10815), Px(4935));
    BuildControls();
    BuildMenu();

    cycle_ = new CheckCycle(this, intervals);
    cycle_->SetProtocolSink([this](const QString& text) { AppendProtocolEntry(*ListView2, text); });
    cycle_->SetAlertDispatcher([this] {
        tray_->ShowCheckState(CheckSummary::Text(Accounts, QTime::currentTime().toString(QStringLiteral("hh:mm"))),
                              CheckSummary::AnyFailed(Accounts));
        DispatchAlert(*ListView1, tray_);
        // Refused certificates are offered for trust after the cycle, each once in a run.
        for (const RejectedCertificate& rejected : certificatePrompts_.TakeNew(cycle_->RejectedCertificates()))
            QTimer::singleShot(0, this, [this, rejected] { (new formZertifikat(rejected, this))->show(); });
    });

    TrayActions actions;
    actions.ShowMainWindow = [this] { ShowMainWindow(); };
    // For the menu's sake only: a hidden main window stays hidden behind it.
    actions.BringMainWindowToFront = [this] {
        if (isVisible()) {
            raise();
            activateWindow();
        }
    };
    actions.PopUpMenu = [this](const QPoint& position) { PopUpMenu(position); };
    tray_ = new Tray(std::move(actions), std::move(trayPlatform), this);
    SingleWindow::Slot<formMain>() = this;
}

formMain::~formMain() = default;

formMain* formMain::Instance() { return SingleWindow::Slot<formMain>(); }

QString formMain::QuitQuestion() { return FormLayout::CrLf + QStringLiteral("Wollen Sie Postfalke wirklich beenden?") + FormLayout::CrLf; }

QString formMain::TestBalloonText() {
    return FormLayout::CrLf + QStringLiteral("Dies ist eine Test-Benachrichtigung") + FormLayout::CrLf + FormLayout::CrLf +
           QStringLiteral("Klicken Sie hier um das E-Mail Programm zu starten.");
}

void formMain::BuildControls() {
    // Larger than a small screen at a large font: then the window's content scrolls.
    const FormLayout::TallDialog parts = FormLayout::SplitForScreen(this, 10815, 4935, kFooterTop);
    const int row = 4440 - kFooterTop;
    QWidget* body = parts.Body;
    Shape1 = new QFrame(body);
    Shape1->setGeometry(0, 0, Px(10815), Px(855));
    Shape1->setAutoFillBackground(true);
    QPalette band = Shape1->palette();
    band.setColor(QPalette::Window, QColor(0x1f, 0x3b, 0x5c));
    Shape1->setPalette(band);

    Label1 = new QLabel(body);
    Label1->setGeometry(Px(240), Px(120), Px(10455), Px(615));
    QFont font = Label1->font();
    font.setBold(true);
    Label1->setFont(font);
    QPalette text = Label1->palette();
    text.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(text);

    ListView2 = new ListView(body);
    ListView2->setGeometry(Px(120), Px(960), Px(6015), Px(3375));
    ListView1 = new ListView(body);
    ListView1->setGeometry(Px(6240), Px(960), Px(4455), Px(3375));

    Command1 = FormLayout::MakeButton(parts.Footer, "Command1", QStringLiteral("Minimieren"), 120, row, 1935, 375);
    Command2 = FormLayout::MakeButton(parts.Footer, "Command2", QStringLiteral("Einstellungen"), 6240, row, 1815, 375);
    Command3 = FormLayout::MakeButton(parts.Footer, "Command3", QStringLiteral("Beenden"), 8160, row, 1935, 375);
    Command7 = FormLayout::MakeButton(parts.Footer, "Command7", QStringLiteral("?"), 10200, row, 495, 375);
    Command8 = FormLayout::MakeButton(parts.Footer, "Command8", QStringLiteral("Menü"), 2160, row, 1815, 375);
    Command8->hide();
    Command6 = FormLayout::MakeButton(this, "Command6", QStringLiteral("Command6"), 0, 0, 1, 1);
    Command6->setVisible(false);

    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
    // "Minimieren" is the window's cancel button.
    FormLayout::PressOnEscape(this, Command1);
    connect(Command2, &QPushButton::clicked, this, [] { formEinstellungen::ShowInstance(); });
    connect(Command3, &QPushButton::clicked, this, &formMain::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, [] { OpenHelpStartPage(); });
    connect(Command6, &QPushButton::clicked, this, &formMain::Command6_Click);
}

void formMain::BuildMenu() {
    mnuPopUp = new QMenu(QStringLiteral("PopUp"), this);
    QAction* title = mnuPopUp->addAction(QStringLiteral("Postfalke"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setEnabled(false);
    mnuPopUp->addSeparator();
    mnuAbfrage = mnuPopUp->addAction(QStringLiteral("Konten JETZT abfragen"));
    mnuEMailProgramm = mnuPopUp->addAction(QStringLiteral("E-Mail Programm starten"));
    mnuPopUp->addSeparator();
    mnuAnzeigen = mnuPopUp->addAction(QStringLiteral("Postfalke anzeigen"));
    mnuEinstellungen = mnuPopUp->addAction(QStringLiteral("Einstellungen anzeigen"));
    mnuImport = mnuPopUp->addAction(QStringLiteral("IMAP Accounts importieren"));
    mnuPopUp->addSeparator();
    mnuInfo = mnuPopUp->addAction(QStringLiteral("Info"));
    mnuPopUp->addSeparator();
    mnuBeenden = mnuPopUp->addAction(QStringLiteral("Beenden"));

    connect(mnuAbfrage, &QAction::triggered, this, [this] { cycle_->CheckNow(); });
    connect(mnuEMailProgramm, &QAction::triggered, this, [] { StartEMailProgram(); });
    connect(mnuAnzeigen, &QAction::triggered, this, &formMain::ShowMainWindow);
    connect(mnuEinstellungen, &QAction::triggered, this, [] { formEinstellungen::ShowInstance(); });
    connect(mnuImport, &QAction::triggered, this, [] { formOEImport::Show(nullptr); });
    connect(mnuInfo, &QAction::triggered, this, [] { formSplash::ShowAbout(); });
    connect(mnuBeenden, &QAction::triggered, this, &formMain::Quit);

    // The window offers the same menu, for desktops without a tray: on its context menu and on the
    // button "Menü", which shows only there.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopUpMenu(mapToGlobal(at)); });
    Command8->setMenu(mnuPopUp);
}

void formMain::Form_Load() {
    try {
        Label1->setText(QStringLiteral("Postfalke v") + VersionText());
        // A damaged stored value is reported, and the program starts with everything else.
        if (const std::optional<RuntimeError> damaged = LoadStore())
            ReportError(QStringLiteral("formMain_Load()"), *damaged);
        if (AccountCount() == 0)
            formWillkommen::ShowInstance();
        tray_->AddTrayIcon();
        PlaceBottomRight();
        SetUpLists();
        cycle_->StartMonitoring();
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("formMain_Load()"), error);
        // A damaged store must not leave an invisible program behind that no one can reach or
        // end: the icon, the window's place, the lists and the minute tick are set up all the same.
        if (!tray_->IsIconAdded())
            tray_->AddTrayIcon();
        PlaceBottomRight();
        SetUpLists();
        cycle_->StartMinuteTimer();
    }
    // Without a tray the main window is the only way to reach the program.
    if (!tray_->TrayAvailable()) {
        Command8->show();
        ShowMainWindow();
    }
}

void formMain::SetUpLists() {
    if (ListView1->ColumnCount() == 0)
        SetUpResultList(*ListView1);
    if (ListView2->ColumnCount() == 0)
        SetUpProtocolList(*ListView2);
}

void formMain::PlaceBottomRight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size();
    placedFrame_ = frame;
    // On a screen too small for it, the top left corner stays on the screen.
    move(qMax(area.left(), area.right() + 1 - frame.width()), qMax(area.top(), area.bottom() + 1 - frame.height()));
}

void formMain::ShowMainWindow() {
    show();
    raise();
    // The window manager's frame is known only now that the window is shown.
    PlaceBottomRight();
}

bool formMain::event(QEvent* event) {
    // A window manager that frames the window after it was placed moves it; the corner is kept
    // whenever the frame's size changes, which a user moving the window never does.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible() &&
        frameGeometry().size() != placedFrame_)
        PlaceBottomRight();
    return QWidget::event(event);
}

void formMain::PopUpMenu(const QPoint& position) { mnuPopUp->popup(position); }

void formMain::Command3_Click() {
    if (MsgBox::Question(this, QuitQuestion()))
        Quit();
}

void formMain::Quit() {
    quitting_ = true;
    close();
}

void formMain::Command6_Click() { tray_->ShowBalloon(BalloonIcon::Information, QStringLiteral("Postfalke Test"), TestBalloonText()); }

void formMain::closeEvent(QCloseEvent* event) {
    // The close box (and Alt+F4) hides the window, as "Minimieren" does: checking goes on behind the
    // tray icon. Without a tray nothing would be left to click, so it asks as "Beenden" does.
    if (!quitting_ && !unloaded_) {
        const bool hideOnly = tray_->TrayAvailable();
        if (hideOnly || !MsgBox::Question(this, QuitQuestion())) {
            event->ignore();
            if (hideOnly)
                hide();
            return;
        }
    }
    Form_Unload();
    event->accept();
}

void formMain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    formBenachrichtigung::CloseIfOpen();
    if (formEinstellungen* settings = formEinstellungen::Instance())
        settings->close();
    if (formAccount* editor = formAccount::Instance())
        editor->reject();
    formOEImport::CloseIfOpen();
    formSplash::CloseIfOpen();
    tray_->RemoveTrayIcon();
    tray_->RemoveTrayWindowProc();
    cycle_->Timer1()->stop();
    cycle_->Timer2()->stop();
    cycle_->Winsock1()->Close();
    SingleWindow::Release(this);
    emit Unloaded();
}
