#include "core/errorlog.h"
#include "app/formmain.h"
#include "core/keyringpasswords.h"
#include "core/msgbox.h"
#include "app/program.h"
#include "core/singleinstance.h"
#include "core/translation.h"
#include "splash/formsplash.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Postfalke"));
    QApplication::setOrganizationName(QStringLiteral("Postfalke"));
    // The program lives in the tray: closing its last visible window (the splash, a notification)
    // does not end it; unloading the main window does.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallGermanTranslation();

    SingleInstance single;
    switch (single.Start()) {
    case SingleInstance::Outcome::Running:
        return 0;
    case SingleInstance::Outcome::NotAnswering:
        // The first instance keeps its name and goes on; this start only says why it ends.
        MsgBox::Warning(nullptr, SingleInstance::NotAnsweringText());
        return 1;
    case SingleInstance::Outcome::First:
        break;
    }
    QObject::connect(&single, &SingleInstance::ShowRequested, [] {
        if (formMain* main = formMain::Instance())
            main->ShowMainWindow();
    });

    SetErrorBoxHandler([](const QString& text) { MsgBox::Warning(nullptr, text); });
    // Queued: the box opens after the keyring's answer has been dealt with.
    QObject::connect(&KeyringPasswords::Instance(), &KeyringPasswords::Message, &app,
                     [](const QString& text) { MsgBox::Warning(nullptr, text); }, Qt::QueuedConnection);
    Program::WireForms();
    formSplash::ShowSplash([] { Program::LoadMainWindow(); });
    return app.exec();
}
