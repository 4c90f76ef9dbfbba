#include "core/account.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/translation.h"
#include "core/twips.h"
#include "dialogs/formeinstellungen.h"
#include "dialogs/formwillkommen.h"
#include "modaldriver.h"
#include "oeimport/formoeimport.h"
#include "oeimport/registry.h"
#include "testenvironment.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>

class TestFormWillkommen : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;
    std::unique_ptr<ModalWatchdog> watchdog_;
    std::unique_ptr<Registry::WineFileSource> registry_;
    QStringList shellOpened_;

private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }

    void init() {
        env_ = std::make_unique<TestEnvironment>();
        watchdog_ = std::make_unique<ModalWatchdog>();
        // No Outlook Express data: the import dialog opens with an empty left list.
        registry_ = std::make_unique<Registry::WineFileSource>(env_->path(QStringLiteral("user.reg")));
        Registry::SetDefaultForTesting(registry_.get());
        Forms::ShowImport = formOEImport::Show;
        shellOpened_.clear();
        SetShellOpenHandler([this](const QString& path) { shellOpened_ << path; });
    }
    void cleanup() {
        formWillkommen::CloseIfOpen();
        formOEImport::CloseIfOpen();
        if (formEinstellungen* d = formEinstellungen::Instance())
            d->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!watchdog_->fired(), "a modal window was left open");
        watchdog_.reset();
        Forms::ShowImport = {};
        Registry::SetDefaultForTesting(nullptr);
        registry_.reset();
        env_.reset();
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, const char* parent, const char* caption, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                                << QString::fromUtf8(caption) << QRect(l, t, w, h);
        };
        row("Shape1", "formWillkommen", "", 0, 0, 7815, 495);
        row("Label1", "formWillkommen", "Willkommen bei Postfalke", 240, 120, 6255, 255);
        row("Frame1", "formWillkommen", "", 120, 600, 7575, 3255);
        row("Command1", "formWillkommen", "Accounts manuell anlegen", 120, 3960, 3495, 375);
        row("Command2", "formWillkommen", "Accounts aus Outlook Express importieren", 3720, 3960, 3375, 375);
        row("Command7", "formWillkommen", "?", 7200, 3960, 495, 375);
        row("Label2", "Frame1",
            "Sie haben noch keine zu überwachenden IMAP E-Mail Konten angelegt.\r\n\r\n"
            "Wählen Sie unten, ob Sie diese manuell anlegen, oder aus Outlook Express importieren wollen.\r\n"
            "Natürlich können Sie auch später weitere Accounts hinzufügen und/oder importieren.\r\n\r\n"
            "Danach sollten Sie die Allgemeinen Einstellungen sowie die Einstellungen für die Benachrichtigung "
            "überprüfen und gegebenfalls anpassen.\r\n\r\n"
            "Standardmäßig zeigt Postfalke bei neu eingegangenen E-Mails ein Benachrichtigungs- Fenster an und "
            "alarmiert akustisch mittels System-Beep. Sie können aber auch eine individuelle Wave-Datei für die "
            "Alarmierung wählen und/oder einen Balloon-Tip im System-Tray anzeigen lassen.",
            240, 360, 7095, 2655);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        formWillkommen* d = formWillkommen::ShowInstance();
        auto* w = d->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height())));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            text = frame->title();
        QCOMPARE(text, caption);
        QVERIFY(w->isVisible());
    }

    void window() {
        formWillkommen* d = formWillkommen::ShowInstance();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(formWillkommen::ShowInstance(), d);
        QCOMPARE(d->windowTitle(), QStringLiteral("Postfalke"));
        QVERIFY(!d->isModal());
        QCOMPARE(d->minimumSize(), QSize(Px(7815), Px(4455)));
        QCOMPARE(d->maximumSize(), d->minimumSize());
        QVERIFY(d->Label1->font().bold());
        QVERIFY(d->Label2->wordWrap());
        // No text is cut off.
        QVERIFY(d->Label2->heightForWidth(d->Label2->width()) <= d->Label2->height());
        for (QPushButton* button : {d->Command1, d->Command2})
            QVERIFY(button->sizeHint().width() <= button->width());
        QVERIFY((d->frameGeometry().center() - d->screen()->availableGeometry().center()).manhattanLength() <= 4);
    }

    // "Accounts manuell anlegen" hands over to the settings dialog; "?" opens the help and stays;
    // the close box only closes.
    void buttons_data() {
        QTest::addColumn<QString>("button");  // empty: the close box
        QTest::addColumn<bool>("settingsShown");
        QTest::addColumn<bool>("welcomeStays");
        QTest::addColumn<bool>("helpOpened");
        QTest::newRow("Accounts manuell anlegen") << "Command1" << true << false << false;
        QTest::newRow("?") << "Command7" << false << true << true;
        QTest::newRow("close box") << "" << false << false << false;
    }
    void buttons() {
        QFETCH(QString, button);
        QFETCH(bool, settingsShown);
        QFETCH(bool, welcomeStays);
        QFETCH(bool, helpOpened);
        QPointer<formWillkommen> d = formWillkommen::ShowInstance();
        if (button.isEmpty())
            d->close();
        else
            d->findChild<QPushButton*>(button)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(bool(d), welcomeStays);
        formEinstellungen* settings = formEinstellungen::Instance();
        QCOMPARE(settings && settings->isVisible(), settingsShown);
        QCOMPARE(shellOpened_, helpOpened ? QStringList{Paths::HelpStartPage()} : QStringList{});
        QVERIFY(!QApplication::activeModalWidget());
    }

    // "Accounts aus Outlook Express importieren" ends with the settings dialog open, the welcome
    // dialog gone and the import dialog modal in front of the settings dialog; after the import
    // dialog closes, the settings dialog lists the stored accounts.
    void importButton() {
        QPointer<formWillkommen> welcome = formWillkommen::ShowInstance();
        bool ran = false;
        WhenModal<formOEImport>(this, [&](formOEImport* import) {
            ran = true;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!welcome);
            formEinstellungen* settings = formEinstellungen::Instance();
            QVERIFY(settings && settings->isVisible());
            QCOMPARE(import->parentWidget(), settings);
            QVERIFY(import->isVisible());
            // An account stored meanwhile (as "Änderungen speichern" of the import dialog does).
            Account a;
            a.EMail = QStringLiteral("neu@example.org");
            Accounts.append(a);
            SaveAccounts();
            Accounts.resize(1);
            import->Command3->click();
        });
        welcome->Command2->click();
        QTRY_VERIFY(ran);
        QVERIFY(!formOEImport::Instance());
        formEinstellungen* settings = formEinstellungen::Instance();
        QVERIFY(settings && settings->isVisible());
        QCOMPARE(settings->ListView1->RowCount(), 1);
        QCOMPARE(settings->ListView1->Text(1, 1), QStringLiteral("neu@example.org"));
    }
};

QTEST_MAIN(TestFormWillkommen)
#include "tst_formwillkommen.moc"
