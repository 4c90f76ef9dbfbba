#include "core/listview.h"
#include "core/translation.h"
#include "dialogworld.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
// The IMAP accounts of accounts.reg, as the left list shows them, in enumeration order.
const QStringList Firma = {"max@firma.example", "m.mueller", "imap.firma.example", "993"};
const QStringList Privat = {"juergen@gmx.example", QString::fromUtf8("jürgen.bär"), "imap.gmx.example", "143"};
const QStringList Verein = {"kasse@verein.example", "kassenwart", "imap.verein.example", "399"};
const QStringList Three = {"a@example.org", "b@example.org", "c@example.org"};

// The own accounts in memory and in the store.
void StoreAccounts(const QStringList& emails) {
    Accounts = QVector<Account>(1);
    for (const QString& e : emails)
        Accounts.append({e, "imap." + e.section(QLatin1Char('@'), 1), 143, {}, {}, "INBOX", 0, {}, 0, false, 0, {}});
    SaveAccounts();
}

QList<QStringList> Rows(const ListView* list) {
    QList<QStringList> rows;
    for (int r = 1; r <= list->RowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < list->ColumnCount(); ++c)
            rows.last() << list->Text(r, c);
    }
    return rows;
}

// Per row: whether it is grey, first and last cell alike.
QList<bool> GreyRows(const ListView* list) {
    QList<bool> grey;
    for (int r = 1; r <= list->RowCount(); ++r)
        grey << (list->Color(r, 0) == formOEImport::MonitoredColor() && list->Color(r, 3) == list->Color(r, 0));
    return grey;
}

void Select(ListView* list, int row) {
    list->setCurrentItem(list->topLevelItem(row - 1));
    list->topLevelItem(row - 1)->setSelected(true);
}
}  // namespace

class TestFormOEImport : public QObject {
    Q_OBJECT
    std::unique_ptr<DialogWorld> world_;

    // The dialog opened from the tray menu.
    static formOEImport* OpenFromTray() {
        formOEImport::Show(nullptr);
        return formOEImport::Instance();
    }

    // Opens the import dialog modally from the settings dialog's button and runs the steps on it.
    void WithImport(const std::function<void(formOEImport*)>& steps) {
        formEinstellungen* settings = formEinstellungen::ShowInstance();
        bool ran = false;
        OnNextModal(this, [&](QWidget* w) {
            ran = true;
            auto* import = qobject_cast<formOEImport*>(w);
            QVERIFY(import && import->parentWidget() == settings);
            steps(import);
            if (formOEImport::Instance())
                import->close();
        });
        settings->Command2->click();
        QVERIFY(ran);
    }

    // Takes the account in the row over through the editor, which gets the password typed; returns
    // the editor's fields as it opened and where its focus was.
    QStringList TakeOver(formOEImport* d, int row) {
        QStringList prefill;
        OnNextModal(this, [&prefill](QWidget* w) {
            auto* editor = qobject_cast<formAccount*>(w);
            if (!editor)
                return;
            prefill = QStringList{editor->Text1->text(), editor->Text8->text(), editor->Text2->text(),
                                  editor->Text3->text(), editor->Text4->text(), editor->Text5->text(),
                                  editor->focusWidget() == editor->Text5 ? "password focused" : "elsewhere"};
            editor->Text5->setText(QStringLiteral("geheim"));
            editor->Command2->click();
        });
        Select(d->ListView1, row);
        d->Command2->click();
        return prefill;
    }

private slots:
    void initTestCase() { QVERIFY(InstallGermanTranslation()); }
    void init() {
        world_ = std::make_unique<DialogWorld>(QStringLiteral(OEIMPORT_TEST_DATA "/accounts.reg"));
        Forms::ShowImport = formOEImport::Show;
    }
    void cleanup() {
        const QString left = world_->CloseAll();
        world_.reset();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // The left list holds the IMAP accounts in enumeration order. The editor comes prefilled with
    // the focus on the password, SSL/TLS for Firma's "IMAP Secure Connection" 1 and unseen mail
    // counted; the saved account is appended in memory only, with the next number, and its Outlook
    // Express row turns grey: the same address, letter case included.
    void takeOver() {
        StoreAccounts({"Max@Firma.example"});
        formOEImport* d = OpenFromTray();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(Rows(d->ListView1), (QList<QStringList>{Firma, Privat, Verein}));
        QCOMPARE(GreyRows(d->ListView1), (QList<bool>{false, false, false}));
        QCOMPARE(TakeOver(d, 1), (QStringList{Firma[0], "INBOX", Firma[2], Firma[3], Firma[1], "", "password focused"}));
        QCOMPARE(AccountCount(), 2);
        const Account& added = Accounts.at(2);
        QCOMPARE((QStringList{added.EMail, added.Server, QString::number(added.Port), added.Username, added.Password, added.Mailbox}),
                 (QStringList{Firma[0], Firma[2], Firma[3], Firma[1], "geheim", "INBOX"}));
        QCOMPARE(added.Verschluesselung, qint16(2));
        QCOMPARE(added.Zaehlweise, qint16(1));
        QCOMPARE(Rows(d->ListView2).last(), (QStringList{"2", Firma[0], "INBOX", Firma[2]}));
        QCOMPARE(GreyRows(d->ListView1), (QList<bool>{true, false, false}));
    }

    // Taking over or deleting changes Accounts and the list of own accounts (renumbered) at once.
    // However the window closes, Accounts goes back to the store, which only "Änderungen
    // speichern" writes; the settings dialog under it then shows that list.
    void changesAndClosing_data() {
        QTest::addColumn<QString>("action");  // take-over of row 1, or the answer to deleting account 2
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QStringList>("stored");
        const QStringList taken = Three + QStringList{"max@firma.example"};
        const QStringList deleted = {"a@example.org", "c@example.org"};
        QTest::newRow("take-over, Abbrechen") << "take-over" << false << taken << Three;
        QTest::newRow("take-over, save") << "take-over" << true << taken << taken;
        QTest::newRow("delete 2 of 3, Ja, save") << "Ja" << true << deleted << deleted;
        QTest::newRow("delete 2 of 3, Nein, save") << "Nein" << true << Three << Three;
    }
    void changesAndClosing() {
        QFETCH(QString, action);
        QFETCH(bool, save);
        QFETCH(QStringList, changed);
        QFETCH(QStringList, stored);
        StoreAccounts(Three);
        WithImport([&](formOEImport* d) {
            if (action == QLatin1String("take-over")) {
                TakeOver(d, 1);
            } else {
                Select(d->ListView2, 2);
                BoxSeen box;
                AnswerNextBox(this, &box, action == QLatin1String("Ja") ? QMessageBox::Yes : QMessageBox::No);
                d->Command5->click();
                QVERIFY(box.text.contains(QStringLiteral("\"b@example.org\"")));
            }
            QCOMPARE(EMails(), changed);
            QList<QStringList> rows;
            for (int i = 1; i <= AccountCount(); ++i)
                rows << QStringList{QString::number(i), Accounts.at(i).EMail, "INBOX", Accounts.at(i).Server};
            QCOMPARE(Rows(d->ListView2), rows);
            (save ? d->Command1 : d->Command3)->click();
        });
        QVERIFY(!formOEImport::Instance());
        QCOMPARE(EMails(), stored);  // as the store holds them
        QStringList shown;
        for (const QStringList& row : Rows(formEinstellungen::Instance()->ListView1))
            shown << row.value(1);
        QCOMPARE(shown, stored);
    }

    // The tray menu and the settings dialog share one window: the tray's window becomes modal over
    // the settings dialog when that asks, and the tray menu then finds that window.
    void oneInstance() {
        StoreAccounts({"a@example.org"});
        QPointer<formOEImport> fromTray = OpenFromTray();
        QVERIFY(fromTray && !fromTray->isModal());
        QCOMPARE(OpenFromTray(), fromTray.data());
        WithImport([&](formOEImport* modal) {
            QCOMPARE(modal, fromTray.data());
            QCOMPARE(OpenFromTray(), modal);
            QCOMPARE(OpenImportWindows(), 1);
            modal->Command3->click();
        });
        QVERIFY(!formOEImport::Instance());
        QVERIFY(formEinstellungen::Instance()->isVisible());
    }
};

QTEST_MAIN(TestFormOEImport)
#include "tst_formoeimport.moc"
