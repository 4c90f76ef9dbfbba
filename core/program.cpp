#include "core/program.h"

#include "core/formmain.h"
#include "core/forms.h"
#include "dialogs/formeinstellungen.h"
#include "tray/trayplatform.h"

#include <QApplication>
#include <QPushButton>

namespace Program {

void WireForms() {
    Forms::PressMainCommand6 = [] {
        if (formMain* main = formMain::Instance())
            main->Command6->click();
    };
    Forms::ShowSettings = [] { formEinstellungen::ShowInstance(); };
}

formMain* LoadMainWindow(CheckCycle::Intervals intervals, std::unique_ptr<TrayPlatform> trayPlatform) {
    auto* main = new formMain(intervals, std::move(trayPlatform));
    QObject::connect(main, &formMain::Unloaded, main, [main] {
        main->deleteLater();
        if (Forms::WelcomeOpen && Forms::WelcomeOpen()) {
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
