#include "app/program.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "core/shell.h"
#include "desktop/desktopentry.h"
#include "desktop/mailclient.h"
#include "dialogs/formeinstellungen.h"

#include "modaldriver.h"
#include "uitestenvironment.h"

#include <QCheckBox>
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
    // program that is running. The box shows what is there: the desktop's own settings switch an
    // entry off by keys.
    void autostartFollowsTheBox() {
        QVERIFY(!BoxShown());
        SetBoxAndLeave(true, true);
        const QHash<QString, QString> entry = DesktopEntry::Read(AutostartFile());
        QCOMPARE(entry.value(QStringLiteral("X-GNOME-Autostart-enabled")), QStringLiteral("true"));
        QCOMPARE(DesktopEntry::Command(entry, AutostartFile()), QStringList{QCoreApplication::applicationFilePath()});
        QVERIFY(BoxShown());
        SetBoxAndLeave(false, false);
        QVERIFY(QFile::exists(AutostartFile()));
        SetBoxAndLeave(false, true);
        QVERIFY(!QFile::exists(AutostartFile()));
        QVERIFY(!BoxShown());
        for (const QByteArray& keys : {QByteArray("X-GNOME-Autostart-enabled=false\n"), QByteArray("Hidden=true\n")}) {
            Write(AutostartFile(), "[Desktop Entry]\nType=Application\nExec=/usr/bin/postfalke\n" + keys);
            QVERIFY(!BoxShown());
        }
    }

    // A program path written as an Exec value comes back as that path. Exec keys as mail clients ship
    // them: addresses are dropped, so no compose window opens.
    void execValues() {
        const QString file = env->path(QStringLiteral("entry.desktop"));
        for (const QString& program : QStringList{"/usr/lib/postfalke/postfalke", "/opt/Post Falke/post falke",
                                                  "/home/a\"b/$HOME/`x`/back\\slash/100%/p;q"}) {
            Write(file, "[Desktop Entry]\nExec=" + DesktopEntry::Escape(DesktopEntry::ExecValue(program)).toUtf8() + "\n");
            QCOMPARE(DesktopEntry::Command(DesktopEntry::Read(file), file), QStringList{program});
        }
        const auto command = [](const QString& exec) {
            return DesktopEntry::Command({{"Exec", exec}, {"Icon", "m"}, {"Name", "Post"}}, QStringLiteral("/x.desktop"));
        };
        QCOMPARE(command("thunderbird %u"), QStringList{"thunderbird"});
        QCOMPARE(command("mail %i --title %c 100%%"), (QStringList{"mail", "--icon", "m", "--title", "Post", "100%"}));
        QCOMPARE(command("\"/opt/my mail/run\" -compose %U"), (QStringList{"/opt/my mail/run", "-compose"}));
        QCOMPARE(command("\"/opt/mail -x"), QStringList{});
    }

    // "E-Mail Programm starten" with no program of its own starts the desktop's mailto default;
    // a program of its own goes to the shell; with neither a message says so.
    void desktopMailClient_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("list");       // where mimeapps.list lies
        QTest::addColumn<QByteArray>("handler");  // its mailto default
        QTest::addColumn<QString>("seen");       // the client's marker, the shell's program or the message
        QTest::newRow("empty, user's default") << "" << "xdg_config_home" << QByteArray("stand-in.desktop;") << "client --new";
        QTest::newRow("Windows path, first missing") << DefaultEMailProgramm() << "xdg_config_home"
                                                     << QByteArray("gone.desktop;stand-in.desktop") << "client --new";
        QTest::newRow("system's default") << "" << "xdg_data_dirs/applications" << QByteArray("stand-in.desktop") << "client --new";
        QTest::newRow("own program") << "/usr/bin/mutt" << "xdg_config_home" << QByteArray("stand-in.desktop") << "shell /usr/bin/mutt";
        QTest::newRow("none") << "" << "xdg_config_home" << QByteArray("gone.desktop") << MailClient::NoClientMessage();
    }
    void desktopMailClient() {
        QFETCH(QString, setting);
        QFETCH(QString, list);
        QFETCH(QByteArray, handler);
        QFETCH(QString, seen);
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
        if (seen == MailClient::NoClientMessage())
            AnswerNextBox(this, &box);
        StartEMailProgram();
        const auto started = [&] { return QString::fromUtf8(env->read(QStringLiteral("started")).trimmed()); };
        QTRY_COMPARE(box.shown ? box.text : shell.value(0, started()), seen);
    }
};

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
