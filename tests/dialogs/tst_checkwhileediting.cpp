#include "check/checkcycle.h"
#include "core/account.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "modaldriver.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

// The settings dialog and the check cycle share Accounts: an account edited in the dialog is
// checked as edited before the dialog saves anything.
class TestCheckWhileEditing : public QObject {
    Q_OBJECT

private slots:
    void checkUsesTheEditedAccount() {
        TestEnvironment env;
        ModalWatchdog watchdog;
        ScriptedImapServer edited;
        edited.setRecent(3);

        // A host name Qt rejects itself (it holds a blank): no name server is asked.
        Account a;
        a.EMail = QStringLiteral("max@example.org");
        a.Server = QStringLiteral("alter rechner.invalid");
        a.Port = 143;
        a.Username = QStringLiteral("alt");
        a.Password = QStringLiteral("geheim");
        a.Mailbox = QStringLiteral("INBOX");
        Accounts.append(a);
        SaveAccounts();

        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 400});
        QStringList protocol;
        int cycles = 0;
        cycle.SetProtocolSink([&protocol](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&cycles] { ++cycles; });
        cycle.StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 5000);
        QCOMPARE(Accounts.at(1).NewMailCount, qint16(-1));

        formEinstellungen* settings = formEinstellungen::ShowInstance();
        settings->ListView1->setCurrentItem(settings->ListView1->topLevelItem(0));
        OnNextModal(this, [&edited](QWidget* w) {
            auto* editor = qobject_cast<formAccount*>(w);
            if (!editor)
                return;
            editor->Text2->setText(QStringLiteral("127.0.0.1"));
            editor->Text3->setText(QString::number(edited.port()));
            editor->Text4->setText(QStringLiteral("neu"));
            editor->Command2->click();
        });
        settings->Command5->click();

        protocol.clear();
        cycle.CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 2, 5000);
        QCOMPARE(protocol.value(0), QStringLiteral("Connecting to 127.0.0.1:%1").arg(edited.port()));
        QCOMPARE(edited.commands().value(0), QByteArray("A001 LOGIN neu geheim"));
        QCOMPARE(Accounts.at(1).NewMailCount, qint16(3));
        // Nothing was saved: the store still holds the old account.
        QVERIFY(settings->isVisible());
        QVERIFY(env.read(QStringLiteral("config/Postfalke/Postfalke.conf")).contains("alter rechner.invalid"));

        settings->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!watchdog.fired());
    }
};

QTEST_MAIN(TestCheckWhileEditing)
#include "tst_checkwhileediting.moc"
