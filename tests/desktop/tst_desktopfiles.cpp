#include "app/program.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "core/shell.h"
#include "desktop/autostart.h"
#include "desktop/desktopentry.h"
#include "desktop/mailclient.h"
#include "dialogs/formeinstellungen.h"

#include "modaldriver.h"
#include "uitestenvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
void Write(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
}
}  // namespace

// The files the desktop reads and writes: the autostart entry, desktop entries' Exec keys, the
// mailto default of mimeapps.list with the stand-in client it names.
class TestDesktopFiles : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env;

    QString AutostartFile() const { return env->path(QStringLiteral("xdg_config_home/autostart/postfalke.desktop")); }

    // Opens the settings dialog, sets the box and leaves by saving or cancelling.
    void SetBoxAndLeave(bool ticked, bool save) {
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(d->Check4->isVisible());
        d->Check4->setChecked(ticked);
        (save ? d->Command3 : d->Command4)->click();
        QVERIFY(!formEinstellungen::Instance());
    }
    bool BoxShown() {
        formEinstellungen* d = formEinstellungen::ShowInstance();
        const bool ticked = d->Check4->isChecked();
        d->Command4->click();
        return ticked;
    }

private slots:
    void init() { env = std::make_unique<UiTestEnvironment>(); }
    void cleanup() {
        SetDesktopMailClientStarter({});
        env.reset();
    }

    // The entry appears and disappears with the box, "Abbrechen" leaves it, and its Exec starts the
    // program that is running (here this test, which lists its functions).
    void autostartFollowsTheBox() {
        QVERIFY(!BoxShown());
        SetBoxAndLeave(true, true);
        QVERIFY(QFile::exists(AutostartFile()));
        const QHash<QString, QString> entry = DesktopEntry::Read(AutostartFile());
        QCOMPARE(entry.value(QStringLiteral("X-GNOME-Autostart-enabled")), QStringLiteral("true"));
        const QStringList command = DesktopEntry::Command(entry, AutostartFile());
        QCOMPARE(command, QStringList{QCoreApplication::applicationFilePath()});
        QProcess program;
        program.start(command.first(), {QStringLiteral("-functions")});
        QVERIFY(program.waitForFinished(20000));
        QVERIFY(program.readAllStandardOutput().contains("autostartFollowsTheBox()"));

        QVERIFY(BoxShown());
        SetBoxAndLeave(false, false);
        QVERIFY(QFile::exists(AutostartFile()));
        SetBoxAndLeave(false, true);
        QVERIFY(!QFile::exists(AutostartFile()));
        QVERIFY(!BoxShown());
    }

    // The box shows what is there: the desktop's own settings switch an entry off by keys.
    void autostartAsTheDesktopLeftIt_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("plain entry") << QByteArray() << true;
        QTest::newRow("switched off") << QByteArray("X-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("hidden") << QByteArray("Hidden=true\n") << false;
    }
    void autostartAsTheDesktopLeftIt() {
        QFETCH(QByteArray, keys);
        QFETCH(bool, enabled);
        Write(AutostartFile(), "[Desktop Entry]\nType=Application\nExec=/usr/bin/postfalke\n" + keys);
        QCOMPARE(Autostart::IsEnabled(), enabled);
        QCOMPARE(BoxShown(), enabled);
    }

    // A program path written as an Exec value comes back as that path.
    void execValueRoundTrip_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/usr/lib/postfalke/postfalke";
        QTest::newRow("blanks") << "/opt/Post Falke/post falke";
        QTest::newRow("reserved characters") << "/home/a\"b/$HOME/`x`/back\\slash/100%/p;q";
    }
    void execValueRoundTrip() {
        QFETCH(QString, program);
        const QString file = env->path(QStringLiteral("entry.desktop"));
        Write(file, "[Desktop Entry]\nExec=" + DesktopEntry::Escape(DesktopEntry::ExecValue(program)).toUtf8() + "\n");
        QCOMPARE(DesktopEntry::Command(DesktopEntry::Read(file), file), QStringList{program});
    }

    // Exec keys as mail clients ship them: addresses are dropped, so no compose window opens.
    void execFieldCodes_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("url") << "thunderbird %u" << QStringList{"thunderbird"};
        QTest::newRow("icon, name, percent") << "mail %i --title %c 100%%" << QStringList{"mail", "--icon", "m", "--title", "Post", "100%"};
        QTest::newRow("quoted") << "\"/opt/my mail/run\" -compose %U" << QStringList{"/opt/my mail/run", "-compose"};
        QTest::newRow("unclosed quote") << "\"/opt/mail -x" << QStringList{};
    }
    void execFieldCodes() {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        const QHash<QString, QString> entry{{"Exec", exec}, {"Icon", "m"}, {"Name", "Post"}};
        QCOMPARE(DesktopEntry::Command(entry, QStringLiteral("/x.desktop")), command);
    }

    // "E-Mail Programm starten" with no program of its own starts the desktop's mailto default;
    // a program of its own goes to the shell; with neither a message says so.
    void desktopMailClient_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("list");       // where mimeapps.list lies
        QTest::addColumn<QByteArray>("handler");  // its mailto default
        QTest::addColumn<QString>("started");    // what the test sees start
        QTest::newRow("empty, user's default") << "" << "xdg_config_home" << QByteArray("stand-in.desktop;") << "client --new";
        QTest::newRow("Windows path, first missing") << DefaultEMailProgramm() << "xdg_config_home"
                                                     << QByteArray("gone.desktop;stand-in.desktop") << "client --new";
        QTest::newRow("system's default") << "" << "xdg_data_dirs/applications" << QByteArray("stand-in.desktop") << "client --new";
        QTest::newRow("own program") << "/usr/bin/mutt" << "xdg_config_home" << QByteArray("stand-in.desktop") << "shell /usr/bin/mutt";
        QTest::newRow("none") << "" << "xdg_config_home" << QByteArray("gone.desktop") << "message";
    }
    void desktopMailClient() {
        QFETCH(QString, setting);
        QFETCH(QString, list);
        QFETCH(QByteArray, handler);
        QFETCH(QString, started);
        const QString marker = env->path(QStringLiteral("started"));
        Write(env->path(QStringLiteral("client.sh")), "#!/bin/sh\necho \"client $*\" > '" + marker.toUtf8() + "'\n", true);
        Write(env->path(QStringLiteral("xdg_data_home/applications/stand-in.desktop")),
              "[Desktop Entry]\nType=Application\nName=Stand-in Mail\nExec=" + env->path(QStringLiteral("client.sh")).toUtf8() +
                  " --new %u\n");
        Write(env->path(list + QStringLiteral("/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=" + handler + "\ntext/html=browser.desktop\n");
        QStringList shell;
        SetShellOpenHandler([&](const QString& path) { shell << QStringLiteral("shell ") + path; });
        Program::WireForms();
        Settings.EMailProgramm = setting;

        BoxSeen box;
        if (started == QLatin1String("message"))
            AnswerNextBox(this, &box);
        StartEMailProgram();
        if (started == QLatin1String("message")) {
            QVERIFY(box.shown);
            QCOMPARE(box.text, MailClient::NoClientMessage());
        } else if (started.startsWith(QLatin1String("shell"))) {
            QCOMPARE(shell, QStringList{started});
        } else {
            QTRY_COMPARE(env->read(QStringLiteral("started")).trimmed(), started.toUtf8());
            QCOMPARE(shell, QStringList());
        }
    }

    // The settings dialog names the desktop's client beside a field that names no program.
    void hintBesideTheField() {
        Write(env->path(QStringLiteral("xdg_data_home/applications/stand-in.desktop")),
              "[Desktop Entry]\nType=Application\nName=Stand-in Mail\nExec=/bin/true\n");
        Write(env->path(QStringLiteral("xdg_config_home/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=stand-in.desktop\n");
        Settings.EMailProgramm = DefaultEMailProgramm();
        formEinstellungen* d = formEinstellungen::ShowInstance();
        QVERIFY(d->Label9->isVisible());
        QVERIFY(d->Label9->text().endsWith(QStringLiteral("Stand-in Mail")));
        d->Text7->setText(QStringLiteral("/usr/bin/mutt"));
        QVERIFY(!d->Label9->isVisible());
        d->Text7->clear();
        QVERIFY(d->Label9->isVisible());
        d->Command4->click();
    }
};

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
