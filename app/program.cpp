#include "app/program.h"

#include "app/formmain.h"
#include "core/forms.h"
#include "core/shell.h"
#include "desktop/desktopevents.h"
#include "desktop/mailclient.h"
#include "dialogs/formwillkommen.h"
#include "oeimport/formoeimport.h"
#include "tray/trayplatform.h"

#include <QApplication>
#include <QPushButton>

namespace Program {

void WireForms() {
    Forms::PressMainCommand6 = [] {
        if (formMain* main = formMain::Instance())
            main->Command6->click();
    };
    Forms::ShowImport = formOEImport::Show;
    SetDesktopMailClientStarter(MailClient::StartDesktopDefault);
}

void WatchDesktop(DesktopEvents& events, CheckCycle& cycle, int graceMs) {
    QObject::connect(&events, &DesktopEvents::GoingToSleep, &cycle, &CheckCycle::AbandonCycle);
    QObject::connect(&events, &DesktopEvents::Woken, &cycle, [&cycle, graceMs] { cycle.CheckSoon(graceMs); });
    QObject::connect(&events, &DesktopEvents::BackOnline, &cycle, [&cycle, graceMs] { cycle.CheckSoon(graceMs); });
}

formMain* LoadMainWindow(CheckCycle::Intervals intervals, std::unique_ptr<TrayPlatform> trayPlatform) {
    auto* main = new formMain(intervals, std::move(trayPlatform));
    QObject::connect(main, &formMain::Unloaded, main, [main] {
        main->deleteLater();
        if (formWillkommen::Instance()) {
            // The welcome dialog is not closed by the shutdown; the program ends with it.
            QApplication::setQuitOnLastWindowClosed(true);
        } else {
            QCoreApplication::quit();
        }
    });
    main->Form_Load();
    return main;
}

}  // namespace Program
