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

// The own accounts in memory and in the store.
void StoreAccounts(const QStringList& emails) {
    for (const QString& e : emails)
        Accounts.append({e, "imap." + e.section(QLatin1Char('@'), 1), 143, {}, {}, "INBOX", 0, {}, 0, false, 0, {}});
    SaveAccounts();
}

// Per row: whether it is grey, first and last cell alike.
QList<bool> GreyRows(const ListView* list) {
    QList<bool> grey;
    for (int r = 1; r <= list->RowCount(); ++r)
        grey << (list->Color(r, 0) == formOEImport::MonitoredColor() && list->Color(r, 3) == list->Color(r, 0));
    return grey;
}
}  // namespace

class TestFormOEImport : public QObject {
    Q_OBJECT
    std::unique_ptr<DialogWorld> world_;

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

    // Takes the row over, typing the password; returns the editor's fields as it opened, and its focus.
    QStringList TakeOver(formOEImport* d, int row) {
        QStringList prefill;
        OnNextModal(this, [&prefill](QWidget* w) {
            auto* editor = qobject_cast<formAccount*>(w);
            if (!editor)
                return;
            for (const QLineEdit* field : EditorFields(editor))
                prefill << field->text();
            prefill << (editor->focusWidget() == editor->Text5 ? "password focused" : "elsewhere");
            editor->Text5->setText(QStringLiteral("geheim"));
            editor->Command2->click();
        });
        d->ListView1->setCurrentItem(d->ListView1->topLevelItem(row - 1));
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

    // The editor comes prefilled, focus on the password; the account joins Accounts and the own list
    // at once and its row turns grey (same address, letter case included). However the window
    // closes, Accounts goes back to the store, which only "Änderungen speichern" writes.
    void takeOver_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("Änderungen speichern") << true;
        QTest::newRow("Abbrechen") << false;
    }
    void takeOver() {
        QFETCH(bool, save);
        QStringList stored = {"a@example.org", "Max@Firma.example"};
        StoreAccounts(stored);
        WithImport([&](formOEImport* d) {
            QCOMPARE(Rows(d->ListView1), (QList<QStringList>{Firma, Privat, Verein}));
            QCOMPARE(GreyRows(d->ListView1), (QList<bool>{false, false, false}));
            QCOMPARE(TakeOver(d, 1), (QStringList{Firma[0], "INBOX", Firma[2], Firma[3], Firma[1], "", "password focused"}));
            QCOMPARE(AccountCount(), 3);
            QCOMPARE(EditorValues(Accounts.at(3)),
                     (QStringList{Firma[0], "INBOX", Firma[2], Firma[3], Firma[1], "geheim"}));
            QCOMPARE(Accounts.at(3).Verschluesselung, qint16(2));
            QCOMPARE(Accounts.at(3).Zaehlweise, qint16(1));
            QCOMPARE(Rows(d->ListView2).last(), (QStringList{"3", Firma[0], "INBOX", Firma[2]}));
            QCOMPARE(GreyRows(d->ListView1), (QList<bool>{true, false, false}));
            (save ? d->Command1 : d->Command3)->click();
        });
        QVERIFY(!formOEImport::Instance());
        if (save)
            stored << Firma[0];
        QCOMPARE(EMails(), stored);  // as the store holds them
        QStringList shown;
        for (const QStringList& row : Rows(formEinstellungen::Instance()->ListView1))
            shown << row.value(1);
        QCOMPARE(shown, stored);
    }

    // The tray's window is the one the settings dialog then shows modal over it; the tray menu finds it.
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
