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
    if (single.AlreadyRunning())
        return 0;
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
