#include "core/account.h"
#include "core/forms.h"
#include "core/funktionen.h"
#include "core/listview.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/translation.h"
#include "core/twips.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "modaldriver.h"
#include "oeimport/formoeimport.h"
#include "oeimport/registry.h"
#include "testenvironment.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QtTest>
#include <memory>

namespace {
QString Data(const QString& name) { return QStringLiteral(OEIMPORT_TEST_DATA "/") + name; }

// The IMAP accounts of accounts.reg, as the left list shows them, in enumeration order.
const QStringList Firma = {"max@firma.example", "m.mueller", "imap.firma.example", "993"};
const QStringList Privat = {"juergen@gmx.example", QString::fromUtf8("jürgen.bär"), "imap.gmx.example", "143"};
const QStringList Verein = {"kasse@verein.example", "kassenwart", "imap.verein.example", "399"};

Account Own(const QString& email) {
    Account a;
    a.EMail = email;
    a.Server = QStringLiteral("imap.") + email.section(QLatin1Char('@'), 1);
    a.Port = 143;
    a.Username = email.section(QLatin1Char('@'), 0, 0);
    a.Password = QStringLiteral("pw-") + a.Username;
    a.Mailbox = QStringLiteral("INBOX");
    return a;
}

// The own accounts in memory and in the store.
void StoreAccounts(const QStringList& emails) {
    Accounts = QVector<Account>(1);
    for (const QString& e : emails)
        Accounts.append(Own(e));
    SaveAccounts();
}

QStringList EMails() {
    QStringList mails;
    for (int i = 1; i <= AccountCount(); ++i)
        mails << Accounts.at(i).EMail;
    return mails;
}

QStringList StoredEMails(const TestEnvironment& env) {
    QSettings store(env.storeFile(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("Einstellungen"));
    QStringList mails;
    const int n = store.value(QStringLiteral("AnzahlAccounts")).toInt();
    for (int i = 1; i <= n; ++i)
        mails << store.value(AccountKey(i, "EMail")).toString();
    return mails;
}

QList<QStringList> Rows(const ListView* list) {
    QList<QStringList> rows;
    for (int r = 1; r <= list->RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list->ColumnCount(); ++c)
            cells << list->Text(r, c);
        rows << cells;
    }
    return rows;
}

QStringList Column(const ListView* list, int column) {
    QStringList texts;
    for (int r = 1; r <= list->RowCount(); ++r)
        texts << list->Text(r, column);
    return texts;
}

// Per row: whether it is grey; a row whose four cells differ in colour counts as neither.
QList<bool> GreyRows(const ListView* list) {
    QList<bool> grey;
    for (int r = 1; r <= list->RowCount(); ++r) {
        const QColor first = list->Color(r, 0);
        for (int c = 1; c < 4; ++c) {
            if (list->Color(r, c) != first)
                return {};
        }
        grey << (first == QColor(128, 128, 128));
    }
    return grey;
}

void Select(ListView* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row - 1);
    list->setCurrentItem(item);
    item->setSelected(true);
}

void DoubleClick(ListView* list, int row) {
    // As the mouse does it: a click, then the second press that makes it a double-click.
    const QPoint at = list->visualItemRect(list->topLevelItem(row - 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

int OpenImportWindows() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<formOEImport*>(w) != nullptr;
    return count;
}
}  // namespace

class TestFormOEImport : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;
    std::unique_ptr<ModalWatchdog> watchdog_;
    std::unique_ptr<Registry::WineFileSource> registry_;
    QStringList shellOpened_;

    void UseRegistry(const QString& file) {
        registry_ = std::make_unique<Registry::WineFileSource>(Data(file));
        Registry::SetDefaultForTesting(registry_.get());
    }

    // Opens the import dialog from the tray menu (settingsOpen false) or, modally, from the
    // settings dialog's button, and runs the steps on it while it is open.
    void WithImport(bool settingsOpen, const std::function<void(formOEImport*)>& steps) {
        if (!settingsOpen) {
            formOEImport::Show(nullptr);
            QVERIFY(formOEImport::Instance());
            steps(formOEImport::Instance());
            return;
        }
        formEinstellungen* settings = formEinstellungen::ShowInstance();
        bool ran = false;
        OnNextModal(this, [&](QWidget* w) {
            ran = true;
            auto* import = qobject_cast<formOEImport*>(w);
            QVERIFY(import);
            QCOMPARE(import->parentWidget(), settings);
            steps(import);
            if (formOEImport::Instance())
                import->close();
        });
        settings->Command2->click();
        QVERIFY(ran);
    }

private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }

    void init() {
        env_ = std::make_unique<TestEnvironment>();
        watchdog_ = std::make_unique<ModalWatchdog>();
        UseRegistry(QStringLiteral("accounts.reg"));
        Forms::ShowImport = formOEImport::Show;
        shellOpened_.clear();
        SetShellOpenHandler([this](const QString& path) { shellOpened_ << path; });
    }
    void cleanup() {
        formOEImport::CloseIfOpen();
        if (formEinstellungen* d = formEinstellungen::Instance())
            d->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!watchdog_->fired(), "a modal window was left open");
        QCOMPARE(OpenImportWindows(), 0);
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
        row("Shape1", "formOEImport", "", 0, 0, 12975, 495);
        row("Label1", "formOEImport", "IMAP Accounts aus Outlook Express importieren", 240, 120, 7455, 255);
        row("Frame1", "formOEImport", "Outlook Express IMAP Accounts", 120, 600, 6255, 4935);
        row("ListView1", "Frame1", "", 240, 360, 5775, 3855);
        row("Command2", "Frame1", "Account übernehmen -->", 240, 4320, 5775, 375);
        row("Frame2", "formOEImport", "Postfalke Accounts", 6600, 600, 6255, 4935);
        row("ListView2", "Frame2", "", 240, 360, 5775, 3855);
        row("Command4", "Frame2", "Account bearbeiten", 240, 4320, 2775, 375);
        row("Command5", "Frame2", "Account löschen", 3240, 4320, 2775, 375);
        row("Command1", "formOEImport", "Änderungen speichern", 120, 5640, 6015, 375);
        row("Command3", "formOEImport", "Abbrechen", 6240, 5640, 6015, 375);
        row("Command7", "formOEImport", "?", 12360, 5640, 495, 375);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
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

    // Opened by the settings dialog: centred over it as far as the screen allows, resizable.
    void windowAndColumns() {
        StoreAccounts({});
        WithImport(true, [](formOEImport* d) {
            QVERIFY(QTest::qWaitForWindowExposed(d));
            QCOMPARE(d->windowTitle(), QStringLiteral("Outlook Express Accounts importieren"));
            QCOMPARE(d->size(), QSize(Px(12975), Px(6135)));
            QVERIFY(d->minimumSize() != d->maximumSize());
            QVERIFY(d->Label1->font().bold());
            const QRect owner = d->parentWidget()->frameGeometry();
            QVERIFY(qAbs(d->frameGeometry().center().y() - owner.center().y()) <= 4);
            QVERIFY(d->screen()->availableGeometry().contains(d->frameGeometry().topLeft()));

            struct Col {
                const char* header;
                int twips;
                bool centred;
            };
            const QList<QPair<ListView*, QList<Col>>> lists = {
                {d->ListView1, {{"E-Mail Adresse", 1960, false}, {"Benutzername", 1900, false},
                                {"Server", 1210, true}, {"Port", 580, false}}},
                {d->ListView2, {{"ID", 400, false}, {"E-Mail Adresse", 2560, false},
                                {"Mailbox", 1210, true}, {"Server", 1480, true}}}};
            for (const auto& [list, cols] : lists) {
                QCOMPARE(list->ColumnCount(), 4);
                QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
                for (int c = 0; c < 4; ++c) {
                    QCOMPARE(list->headerItem()->text(c), QString::fromUtf8(cols.at(c).header));
                    QCOMPARE(list->columnWidth(c), Px(cols.at(c).twips));
                    QCOMPARE(bool(list->headerItem()->textAlignment(c) & Qt::AlignHCenter), cols.at(c).centred);
                }
            }
        });
    }

    // The left list holds the IMAP accounts in enumeration order (one without a port with 143);
    // a row is grey exactly when an own account has the same address, letter case included.
    void listsAndGreyRows_data() {
        QTest::addColumn<QStringList>("own");
        QTest::addColumn<QList<bool>>("grey");
        QTest::newRow("no own accounts") << QStringList{} << QList<bool>{false, false, false};
        QTest::newRow("same address") << QStringList{"max@firma.example"} << QList<bool>{true, false, false};
        QTest::newRow("other letter case") << QStringList{"Max@Firma.example", "KASSE@verein.example"}
                                           << QList<bool>{false, false, false};
        QTest::newRow("two of three") << QStringList{"kasse@verein.example", "x@y.example", "juergen@gmx.example"}
                                      << QList<bool>{false, true, true};
    }
    void listsAndGreyRows() {
        QFETCH(QStringList, own);
        QFETCH(QList<bool>, grey);
        StoreAccounts(own);
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
        QCOMPARE(Rows(d->ListView1), (QList<QStringList>{Firma, Privat, Verein}));
        QCOMPARE(GreyRows(d->ListView1), grey);
        QCOMPARE(d->ListView1->topLevelItem(0)->textAlignment(2), int(Qt::AlignCenter));
        QList<QStringList> ownRows;
        for (int i = 1; i <= own.size(); ++i)
            ownRows << QStringList{QString::number(i), own.at(i - 1), "INBOX", Own(own.at(i - 1)).Server};
        QCOMPARE(Rows(d->ListView2), ownRows);
    }

    // Taking over prefills the editor in add mode; the saved account is appended in memory with the
    // next number, and its Outlook Express row turns grey.
    void takeOver_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QStringList>("oe");
        QTest::newRow("button, account with port") << 1 << false << Firma;
        QTest::newRow("double-click, account without port") << 2 << true << Privat;
    }
    void takeOver() {
        QFETCH(int, row);
        QFETCH(bool, doubleClick);
        QFETCH(QStringList, oe);
        StoreAccounts({"erste@example.org"});
        const QByteArray storeBefore = env_->read(QStringLiteral("config/Postfalke/Postfalke.conf"));
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
        QVERIFY(QTest::qWaitForWindowExposed(d));

        QStringList prefill;
        OnNextModal(this, [&prefill](QWidget* w) {
            auto* editor = qobject_cast<formAccount*>(w);
            if (!editor)
                return;
            prefill = QStringList{editor->Text1->text(), editor->Text8->text(), editor->Text2->text(),
                                  editor->Text3->text(), editor->Text4->text(), editor->Text5->text(),
                                  editor->Label10->text(), editor->Command2->text()};
            editor->Text5->setText(QStringLiteral("neu"));
            editor->Command2->click();
        });
        if (doubleClick) {
            DoubleClick(d->ListView1, row);
        } else {
            Select(d->ListView1, row);
            d->Command2->click();
        }
        QCOMPARE(prefill, (QStringList{oe[0], "INBOX", oe[2], oe[3], oe[1], "", "Label10", "Account hinzufügen"}));
        QCOMPARE(AccountCount(), 2);
        const Account& added = Accounts.at(2);
        QCOMPARE((QStringList{added.EMail, added.Server, QString::number(added.Port), added.Username, added.Password,
                              added.Mailbox}),
                 (QStringList{oe[0], oe[2], oe[3], oe[1], "neu", "INBOX"}));
        QCOMPARE(Rows(d->ListView2).last(), (QStringList{"2", oe[0], "INBOX", oe[2]}));
        QCOMPARE(GreyRows(d->ListView1).value(row - 1), true);
        QCOMPARE(env_->read(QStringLiteral("config/Postfalke/Postfalke.conf")), storeBefore);
    }

    void editOwnAccount_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("button") << false;
        QTest::newRow("double-click") << true;
    }
    void editOwnAccount() {
        QFETCH(bool, doubleClick);
        StoreAccounts({"a@example.org", "b@example.org", "c@example.org"});
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QStringList shown;
        OnNextModal(this, [&shown](QWidget* w) {
            auto* editor = qobject_cast<formAccount*>(w);
            if (!editor)
                return;
            shown = QStringList{editor->Label10->text(), editor->Command2->text(), editor->Frame2->title(),
                                editor->Text1->text(), editor->Text5->text()};
            editor->Text1->setText(QStringLiteral("max@firma.example"));
            editor->Text2->setText(QStringLiteral("imap.neu.example"));
            editor->Command2->click();
        });
        if (doubleClick) {
            DoubleClick(d->ListView2, 2);
        } else {
            Select(d->ListView2, 2);
            d->Command4->click();
        }
        QCOMPARE(shown, (QStringList{"2", "Account ändern", "Account bearbeiten", "b@example.org", "pw-b"}));
        QCOMPARE(EMails(), (QStringList{"a@example.org", "max@firma.example", "c@example.org"}));
        QCOMPARE(Rows(d->ListView2).at(1), (QStringList{"2", "max@firma.example", "INBOX", "imap.neu.example"}));
        QCOMPARE(GreyRows(d->ListView1), (QList<bool>{true, false, false}));
    }

    void deleteAccount_data() {
        QTest::addColumn<QStringList>("own");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QList<bool>>("grey");
        const QStringList three = {"a@example.org", "max@firma.example", "c@example.org"};
        QTest::newRow("2 of 3, Ja: renumbered, row no longer grey")
            << three << 2 << true << QStringList{"a@example.org", "c@example.org"} << QList<bool>{false, false, false};
        QTest::newRow("2 of 3, Nein: nothing changes") << three << 2 << false << three << QList<bool>{true, false, false};
        QTest::newRow("the only account") << QStringList{"kasse@verein.example"} << 1 << true << QStringList{}
                                          << QList<bool>{false, false, false};
    }
    void deleteAccount() {
        QFETCH(QStringList, own);
        QFETCH(int, row);
        QFETCH(bool, yes);
        QFETCH(QStringList, left);
        QFETCH(QList<bool>, grey);
        StoreAccounts(own);
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
        Select(d->ListView2, row);
        BoxSeen box;
        AnswerNextBox(this, &box, yes ? QMessageBox::Yes : QMessageBox::No);
        d->Command5->click();
        QCOMPARE(box.title, QStringLiteral("Postfalke"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, (QStringList{"Ja", "Nein"}));
        QCOMPARE(box.text, QStringLiteral("\r\nSoll der Account \"") + own.at(row - 1) +
                               QStringLiteral("\" wirklich gelöscht werden?\r\n"));
        QCOMPARE(EMails(), left);
        QCOMPARE(Column(d->ListView2, 1), left);
        QStringList ids;
        for (int i = 1; i <= left.size(); ++i)
            ids << QString::number(i);
        QCOMPARE(Column(d->ListView2, 0), ids);
        QCOMPARE(GreyRows(d->ListView1), grey);
        QCOMPARE(StoredEMails(*env_), own);
    }

    // Without a selected row (or without rows at all) the buttons open nothing and change nothing.
    void buttonsWithoutSelection_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("emptyLists");
        for (const char* button : {"Command2", "Command4", "Command5"}) {
            QTest::addRow("%s, empty lists", button) << QString::fromLatin1(button) << true;
            QTest::addRow("%s, nothing selected", button) << QString::fromLatin1(button) << false;
        }
    }
    void buttonsWithoutSelection() {
        QFETCH(QString, button);
        QFETCH(bool, emptyLists);
        if (emptyLists)
            UseRegistry(QStringLiteral("empty.reg"));
        StoreAccounts(emptyLists ? QStringList{} : QStringList{"a@example.org"});
        formOEImport::Show(nullptr);
        formOEImport* d = formOEImport::Instance();
        QCOMPARE(d->ListView1->RowCount(), emptyLists ? 0 : 3);
        d->ListView1->clearSelection();
        d->ListView2->clearSelection();
        bool opened = true;
        OnNextModal(this, [&opened](QWidget* w) {
            opened = w != nullptr;
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
        });
        d->findChild<QPushButton*>(button)->click();
        QTest::qWait(0);
        QVERIFY(!opened);
        QCOMPARE(EMails(), emptyLists ? QStringList{} : QStringList{"a@example.org"});
        QCOMPARE(formOEImport::Instance(), d);
    }

    // However the window closes, Accounts goes back to the store, which only "Änderungen
    // speichern" writes; a visible settings dialog then shows that list.
    void closing_data() {
        QTest::addColumn<bool>("settingsOpen");
        QTest::addColumn<bool>("takeOver");  // else delete account 2
        QTest::addColumn<QString>("close");  // Command1 save, Command3 cancel, "box" close box
        QTest::addColumn<QStringList>("stored");
        const QStringList three = {"a@example.org", "b@example.org", "c@example.org"};
        const QStringList taken = three + QStringList{"max@firma.example"};
        const QStringList deleted = {"a@example.org", "c@example.org"};
        QTest::newRow("take-over, cancel") << false << true << "Command3" << three;
        QTest::newRow("take-over, cancel, settings open") << true << true << "Command3" << three;
        QTest::newRow("take-over, close box, settings open") << true << true << "box" << three;
        QTest::newRow("take-over, save, settings open") << true << true << "Command1" << taken;
        QTest::newRow("delete, save") << false << false << "Command1" << deleted;
        QTest::newRow("delete, save, settings open") << true << false << "Command1" << deleted;
        QTest::newRow("delete, cancel, settings open") << true << false << "Command3" << three;
    }
    void closing() {
        QFETCH(bool, settingsOpen);
        QFETCH(bool, takeOver);
        QFETCH(QString, close);
        QFETCH(QStringList, stored);
        StoreAccounts({"a@example.org", "b@example.org", "c@example.org"});
        WithImport(settingsOpen, [&](formOEImport* d) {
            if (takeOver) {
                Select(d->ListView1, 1);
                OnNextModal(this, [](QWidget* w) {
                    if (auto* editor = qobject_cast<formAccount*>(w)) {
                        editor->Text5->setText(QStringLiteral("geheim"));
                        editor->Command2->click();
                    }
                });
                d->Command2->click();
                QCOMPARE(AccountCount(), 4);
            } else {
                Select(d->ListView2, 2);
                BoxSeen box;
                AnswerNextBox(this, &box, QMessageBox::Yes);
                d->Command5->click();
                QCOMPARE(AccountCount(), 2);
            }
            if (close == QLatin1String("box"))
                d->close();
            else
                d->findChild<QPushButton*>(close)->click();
        });
        QVERIFY(!formOEImport::Instance());
        QCOMPARE(StoredEMails(*env_), stored);
        QCOMPARE(EMails(), stored);
        if (takeOver && stored.size() == 4)
            QCOMPARE(Accounts.at(4).Password, QStringLiteral("geheim"));
        if (settingsOpen)
            QCOMPARE(Column(formEinstellungen::Instance()->ListView1, 1), stored);
    }

    // The tray menu and the settings dialog share one window. When the settings dialog asks while
    // the tray's window is open, that window becomes modal over it until it closes.
    void oneInstance() {
        StoreAccounts({"a@example.org"});
        formOEImport::Show(nullptr);
        QPointer<formOEImport> fromTray = formOEImport::Instance();
        QVERIFY(fromTray && !fromTray->isModal());
        formOEImport::Show(nullptr);
        QCOMPARE(formOEImport::Instance(), fromTray.data());
        QCOMPARE(OpenImportWindows(), 1);

        formEinstellungen* settings = formEinstellungen::ShowInstance();
        bool ran = false;
        OnNextModal(this, [&](QWidget* w) {
            ran = true;
            QCOMPARE(w, fromTray.data());
            QCOMPARE(fromTray->parentWidget(), settings);
            QCOMPARE(OpenImportWindows(), 1);
            // The tray menu while it is modal: still the same window.
            formOEImport::Show(nullptr);
            settings->Command2->click();
            QCOMPARE(QApplication::activeModalWidget(), fromTray.data());
            QCOMPARE(OpenImportWindows(), 1);
            fromTray->Command3->click();
        });
        settings->Command2->click();
        QVERIFY(ran);
        QVERIFY(!formOEImport::Instance());
        QVERIFY(settings->isVisible());

        // Opened by the settings dialog first, asked for by the tray menu meanwhile.
        ran = false;
        OnNextModal(this, [&](QWidget* w) {
            ran = true;
            auto* modal = qobject_cast<formOEImport*>(w);
            QVERIFY(modal);
            formOEImport::Show(nullptr);
            QCOMPARE(formOEImport::Instance(), modal);
            QCOMPARE(OpenImportWindows(), 1);
            modal->close();
        });
        settings->Command2->click();
        QVERIFY(ran);
        QVERIFY(!formOEImport::Instance());
    }

    // The main window's shutdown closes the settings dialog, the editor and the import dialog in
    // this order, here while the editor is open over the import dialog over the settings dialog.
    void shutdownWithEverythingOpen() {
        StoreAccounts({"a@example.org"});
        WithImport(true, [this](formOEImport* d) {
            Select(d->ListView1, 1);
            OnNextModal(this, [](QWidget* w) {
                QVERIFY(qobject_cast<formAccount*>(w));
                formEinstellungen::Instance()->close();
                formAccount::Instance()->close();
                formOEImport::CloseIfOpen();
            });
            d->Command2->click();
        });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!formEinstellungen::Instance() && !formAccount::Instance() && !formOEImport::Instance());
        QCOMPARE(EMails(), QStringList{"a@example.org"});
        QCOMPARE(StoredEMails(*env_), QStringList{"a@example.org"});
    }

    void helpKeepsWindowOpen() {
        formOEImport::Show(nullptr);
        formOEImport::Instance()->Command7->click();
        QCOMPARE(shellOpened_, QStringList{Paths::HelpStartPage()});
        QVERIFY(formOEImport::Instance() && formOEImport::Instance()->isVisible());
    }
};

QTEST_MAIN(TestFormOEImport)
#include "tst_formoeimport.moc"
