#include "tray/formbenachrichtigung.h"

#include "core/formlayout.h"
#include "core/listview.h"
#include "core/shell.h"
#include "core/singlewindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace FormLayout;

formBenachrichtigung* formBenachrichtigung::Instance() {
    return SingleWindow::Get<formBenachrichtigung>([] { return new formBenachrichtigung; });
}

formBenachrichtigung* formBenachrichtigung::Existing() { return SingleWindow::Slot<formBenachrichtigung>(); }

void formBenachrichtigung::CloseIfOpen() { SingleWindow::CloseIfOpen<formBenachrichtigung>(); }

formBenachrichtigung::formBenachrichtigung(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("formBenachrichtigung"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("E-Mail(s) eingetroffen"));
    setFixedSize(Px(7815), Px(2655));

    Label1 = new QLabel(QStringLiteral("Sie haben neue E-Mail Nachrichten!"), this);
    Place(Label1, 120, 120, 4695, 255);

    ListView1 = new ListView(this);
    Place(ListView1, 120, 480, 7575, 1575);
    ListView1->SetReportView();
    ListView1->AddColumn(QStringLiteral("Uhrzeit"), 900);
    ListView1->AddColumn(QStringLiteral("Account"), 2600);
    ListView1->AddColumn(QStringLiteral("Mailbox"), 2170);
    ListView1->AddColumn(QStringLiteral("E-Mails"), 1560, ListView::Align::Center);

    Command1 = new QPushButton(QStringLiteral("&E-Mail Programm starten"), this);
    Place(Command1, 120, 2160, 3735, 375);
    connect(Command1, &QPushButton::clicked, this, &formBenachrichtigung::Command1_Click);

    Command2 = new QPushButton(QStringLiteral("Fenster &schließen"), this);
    Place(Command2, 3960, 2160, 3735, 375);
    connect(Command2, &QPushButton::clicked, this, &formBenachrichtigung::Command2_Click);

    // Command2 is the cancel button: Esc presses it.
    PressOnEscape(this, Command2);
}

QPoint formBenachrichtigung::CentredPosition(const QSize& windowSize, const QRect& screen) {
    return {screen.left() + qRound((screen.width() - windowSize.width()) / 2.0),
            screen.top() + qRound((screen.height() - windowSize.height()) / 2.0)};
}

void formBenachrichtigung::PlaceAndShow(bool takeFocus) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen)
        move(CentredPosition(frameGeometry().size(), screen->geometry()));
    setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
    show();
    // The frame of a window shown for the first time is known only now.
    if (screen)
        move(CentredPosition(frameGeometry().size(), screen->geometry()));
    raise();
    if (takeFocus)
        activateWindow();
}

void formBenachrichtigung::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // From now on the next use creates the window anew, even before this one is deleted.
    if (event->isAccepted())
        SingleWindow::Release(this);
}

void formBenachrichtigung::Command1_Click() {
    StartEMailProgram();
    close();
}

void formBenachrichtigung::Command2_Click() { close(); }
