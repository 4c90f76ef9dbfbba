#include "tray/formbenachrichtigung.h"

#include "core/formlayout.h"
#include "core/listview.h"
#include "core/shell.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

using namespace FormLayout;

namespace {
QPointer<formBenachrichtigung>& instance() {
    static QPointer<formBenachrichtigung> window;
    return window;
}

}  // namespace

formBenachrichtigung* formBenachrichtigung::Instance() {
    if (!instance())
        instance() = new formBenachrichtigung;
    return instance();
}

formBenachrichtigung* formBenachrichtigung::Existing() { return instance(); }

void formBenachrichtigung::CloseIfOpen() {
    if (formBenachrichtigung* w = instance())
        w->close();
}

formBenachrichtigung::formBenachrichtigung(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
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
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Command2, &QPushButton::click);
    FitCaptions(this);
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
    if (event->isAccepted() && instance() == this)
        instance() = nullptr;
}

void formBenachrichtigung::Command1_Click() {
    StartEMailProgram();
    close();
}

void formBenachrichtigung::Command2_Click() { close(); }
