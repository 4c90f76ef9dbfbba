#include "core/account.h"
#include "core/shell.h"
#include "core/twips.h"
#include "dialogs/formaccount.h"
#include "modaldriver.h"
#include "testenvironment.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOption>
#include <QtTest>
#include <memory>

namespace {
// The six fields in the order email, mailbox, server, port, user name, password.
struct Fields {
    QString email, mailbox, server, port, username, password;
};

void Fill(formAccount* e, const Fields& f) {
    e->Text1->setText(f.email);
    e->Text8->setText(f.mailbox);
    e->Text2->setText(f.server);
    e->Text3->setText(f.port);
    e->Text4->setText(f.username);
    e->Text5->setText(f.password);
}

Fields Read(const formAccount* e) {
    return {e->Text1->text(), e->Text8->text(), e->Text2->text(), e->Text3->text(), e->Text4->text(), e->Text5->text()};
}

Fields Read(const Account& a) {
    return {a.EMail, a.Mailbox, a.Server, QString::number(a.Port), a.Username, a.Password};
}

bool operator==(const Fields& a, const Fields& b) {
    return a.email == b.email && a.mailbox == b.mailbox && a.server == b.server && a.port == b.port &&
           a.username == b.username && a.password == b.password;
}

Account MakeAccount(int n) {
    Account a;
    a.EMail = QStringLiteral("user%1@example.org").arg(n);
    a.Server = QStringLiteral("imap%1.example.org").arg(n);
    a.Port = qint16(140 + n);
    a.Username = QStringLiteral("user%1").arg(n);
    a.Password = QStringLiteral("geheim%1").arg(n);
    a.Mailbox = QStringLiteral("INBOX.%1").arg(n);
    a.NewMailCount = qint16(n);
    return a;
}

void SetAccounts(int n) {
    Accounts = QVector<Account>(1);
    for (int i = 1; i <= n; ++i)
        Accounts.append(MakeAccount(i));
}

const Fields kComplete = {"neu@example.org", "INBOX", "imap.example.org", "143", "neu", "pw"};

// What one opening of the editor showed and did.
struct Session {
    bool opened = false;
    Fields shownAtOpen;
    QString label10, frame2, command2;
    BoxSeen box;
    bool openAfterSave = false;
    Fields afterBox;
};

// Opens the editor through `open`, records it, fills it with `input` (unless null) and presses
// save; a message box is answered with OK, then the editor is cancelled.
Session Drive(const std::function<void()>& open, const Fields* input) {
    Session s;
    QObject scope;
    OnNextModal(&scope, [&s, &scope, input](QWidget* w) {
        QPointer<formAccount> e = qobject_cast<formAccount*>(w);
        if (!e)
            return;
        s.opened = true;
        s.shownAtOpen = Read(e);
        s.label10 = e->Label10->text();
        s.frame2 = e->Frame2->title();
        s.command2 = e->Command2->text();
        if (input)
            Fill(e, *input);
        AnswerNextBox(&scope, &s.box);
        e->Command2->click();
        if (e && e->isVisible()) {
            s.openAfterSave = true;
            s.afterBox = Read(e);
            e->Command6->click();
        }
    });
    open();
    return s;
}
}  // namespace

class TestFormAccount : public QObject {
    Q_OBJECT
private slots:
    void init() {
        env_ = std::make_unique<TestEnvironment>();
        watchdog_ = std::make_unique<ModalWatchdog>();
    }
    void cleanup() {
        QVERIFY2(!watchdog_->fired(), "a modal window was left open");
        watchdog_.reset();
        env_.reset();
        QCOMPARE(formAccount::Instance(), nullptr);
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, const char* caption, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption) << QRect(l, t, w, h);
        };
        row("Shape1", "", 0, 0, 6975, 495);
        row("Frame2", "Account hinzufügen", 120, 600, 6735, 2535);
        row("Text1", "", 240, 600, 3015, 285);
        row("Text8", "INBOX", 3480, 600, 3015, 285);
        row("Text2", "", 240, 1320, 5055, 285);
        row("Text3", "143", 5520, 1320, 975, 285);
        row("Text4", "", 240, 2040, 3015, 285);
        row("Text5", "", 3480, 2040, 3015, 285);
        row("Command2", "Account hinzufügen", 120, 3240, 3015, 375);
        row("Command6", "Abbrechen", 3240, 3240, 3015, 375);
        row("Command7", "?", 6360, 3240, 495, 375);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        formAccount e;
        e.setAttribute(Qt::WA_DeleteOnClose, false);
        auto* w = e.findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height())));
        QString text;
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text();
        else if (auto* button = qobject_cast<QPushButton*>(w))
            text = button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            text = frame->title();
        QCOMPARE(text, caption);
    }

    void labels_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QPoint>("twips");
        QTest::newRow("Label1") << "Label1" << QString::fromUtf8("IMAP Account hinzufügen/bearbeiten") << QPoint(240, 120);
        QTest::newRow("Label2") << "Label2" << "E-Mail Adresse" << QPoint(240, 360);
        QTest::newRow("Label9") << "Label9" << "Mailbox" << QPoint(3480, 360);
        QTest::newRow("Label3") << "Label3" << "Servername oder IP-Adresse" << QPoint(240, 1080);
        QTest::newRow("Label4") << "Label4" << "Port" << QPoint(5520, 1080);
        QTest::newRow("Label5") << "Label5" << "Benutzername" << QPoint(240, 1800);
        QTest::newRow("Label6") << "Label6" << "Passwort" << QPoint(3480, 1800);
    }
    void labels() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QPoint, twips);
        formAccount e;
        e.setAttribute(Qt::WA_DeleteOnClose, false);
        auto* label = e.findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->pos(), QPoint(Px(twips.x()), Px(twips.y())));
    }

    void windowFixedTitledWithHiddenModeMarker() {
        formAccount e;
        e.setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(e.windowTitle(), QStringLiteral("IMAP Account"));
        QCOMPARE(e.minimumSize(), QSize(Px(6975), Px(3735)));
        QCOMPARE(e.maximumSize(), e.minimumSize());
        QCOMPARE(e.Label10->text(), QStringLiteral("Label10"));
        QCOMPARE(e.Label10->parentWidget(), e.Frame2);
        e.show();
        QVERIFY(!e.Label10->isVisible());
        QVERIFY(e.Label1->font().bold());
        // Every character of the password reads as "*".
        QCOMPARE(e.Text5->echoMode(), QLineEdit::Password);
        QStyleOptionFrame option;
        option.initFrom(e.Text5);
        QCOMPARE(e.Text5->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, e.Text5), int('*'));
    }

    void tabOrderFollowsTheFields() {
        formAccount e;
        e.setAttribute(Qt::WA_DeleteOnClose, false);
        const QStringList interesting = {"Text1", "Text8", "Text2", "Text3", "Text4", "Text5",
                                         "Command2", "Command6", "Command7"};
        QStringList order;
        QWidget* w = e.Text1;
        do {
            if (interesting.contains(w->objectName()))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != e.Text1);
        QCOMPARE(order, interesting);
        QCOMPARE(e.focusWidget(), e.Text1);
    }

    void centredOverItsOpener() {
        QObject scope;
        QWidget opener;
        opener.setGeometry(60, 40, 600, 400);  // inside the 800 x 600 offscreen screen
        opener.show();
        QVERIFY(QTest::qWaitForWindowExposed(&opener));
        QPoint centre;
        OnNextModal(&scope, [&centre](QWidget* w) {
            if (auto* e = qobject_cast<formAccount*>(w)) {
                centre = e->geometry().center();
                e->Command6->click();
            }
        });
        formAccount::AddAccount(&opener);
        // within the few pixels of the window frames
        QVERIFY2((centre - opener.geometry().center()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    }

    // The checks run in their order and stop at the first that fails.
    void checksInOrder_data() {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("mailbox");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        const QString none;
        QTest::newRow("all empty: the port first") << none << none << none << none << none << none
                                                   << formAccount::PortNotNumeric;
        QTest::newRow("port letters, rest filled") << "a@b" << "INBOX" << "s" << "abc" << "u" << "p"
                                                   << formAccount::PortNotNumeric;
        QTest::newRow("valid port, rest empty: only the server") << none << none << none << "143" << none << none
                                                                 << formAccount::ServerMissing;
        QTest::newRow("then the address") << none << none << "s" << "143" << none << none << formAccount::EMailMissing;
        QTest::newRow("then the user name") << "a@b" << none << "s" << "143" << none << none
                                            << formAccount::UsernameMissing;
        QTest::newRow("then the password") << "a@b" << none << "s" << "143" << "u" << none
                                           << formAccount::PasswordMissing;
        QTest::newRow("then the mailbox") << "a@b" << none << "s" << "143" << "u" << "p" << formAccount::MailboxMissing;
        QTest::newRow("port above 16 bits") << none << none << none << "40000" << none << none
                                            << formAccount::PortOutOfRange;
        QTest::newRow("port below 16 bits") << "a@b" << "INBOX" << "s" << "-40000" << "u" << "p"
                                            << formAccount::PortOutOfRange;
        QTest::newRow("blanks are input") << " " << " " << " " << "143" << " " << " " << QString();
    }
    void checksInOrder() {
        QFETCH(QString, email);
        QFETCH(QString, mailbox);
        QFETCH(QString, server);
        QFETCH(QString, port);
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, message);
        const Fields input{email, mailbox, server, port, username, password};
        const Session s = Drive([] { formAccount::AddAccount(nullptr); }, &input);
        QVERIFY(s.opened);
        if (message.isEmpty()) {
            QVERIFY(!s.box.shown);
            QVERIFY(!s.openAfterSave);
            QCOMPARE(AccountCount(), 1);
            QCOMPARE(Accounts.at(1).Server, server);
            return;
        }
        QVERIFY(s.box.shown);
        QCOMPARE(s.box.text, message);
        QCOMPARE(s.box.title, QStringLiteral("Postfalke"));
        QCOMPARE(s.box.icon, QMessageBox::Information);
        QCOMPARE(s.box.buttons.size(), 1);
        // The editor stays open with the input as typed, and writes nothing.
        QVERIFY(s.openAfterSave);
        QVERIFY(s.afterBox == input);
        QCOMPARE(AccountCount(), 0);
    }

    void portTextIsStoredAsRoundedNumber_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("stored");
        QTest::newRow("default") << "143" << 143;
        QTest::newRow("german fraction, half to even") << "1,5" << 2;
        QTest::newRow("half to the even neighbour below") << "2,5" << 2;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("blanks around") << " 993 " << 993;
        QTest::newRow("largest") << "32767" << 32767;
    }
    void portTextIsStoredAsRoundedNumber() {
        QFETCH(QString, port);
        QFETCH(int, stored);
        Fields input = kComplete;
        input.port = port;
        const Session s = Drive([] { formAccount::AddAccount(nullptr); }, &input);
        QVERIFY(!s.box.shown);
        QCOMPARE(AccountCount(), 1);
        QCOMPARE(int(Accounts.at(1).Port), stored);
    }

    void addAppendsAndLeavesTheOthers_data() {
        QTest::addColumn<int>("before");
        QTest::newRow("empty list") << 0;
        QTest::newRow("one account") << 1;
        QTest::newRow("three accounts") << 3;
    }
    void addAppendsAndLeavesTheOthers() {
        QFETCH(int, before);
        SetAccounts(before);
        const QVector<Account> old = Accounts;
        const Session s = Drive([] { formAccount::AddAccount(nullptr); }, &kComplete);
        QVERIFY(s.shownAtOpen == (Fields{"", "INBOX", "", "143", "", ""}));
        QCOMPARE(s.label10, QStringLiteral("Label10"));
        QCOMPARE(s.frame2, QString::fromUtf8("Account hinzufügen"));
        QCOMPARE(s.command2, QString::fromUtf8("Account hinzufügen"));
        QCOMPARE(AccountCount(), before + 1);
        QVERIFY(Read(Accounts.at(before + 1)) == kComplete);
        QCOMPARE(Accounts.at(before + 1).NewMailCount, qint16(0));
        for (int i = 1; i <= before; ++i)
            QVERIFY(Read(Accounts.at(i)) == Read(old.at(i)));
    }

    void editReplacesTheSixFieldsAndKeepsNumberAndCount() {
        SetAccounts(3);
        Accounts[2].NewMailCount = 7;
        const Fields changed = {"x@y.de", "Archiv", "mail.y.de", "993", "xy", "neu"};
        const Session s = Drive([] { formAccount::EditAccount(nullptr, 2); }, &changed);
        QVERIFY(s.shownAtOpen == Read(MakeAccount(2)));
        QCOMPARE(s.label10, QStringLiteral("2"));
        QCOMPARE(s.frame2, QStringLiteral("Account bearbeiten"));
        QCOMPARE(s.command2, QString::fromUtf8("Account ändern"));
        QVERIFY(!s.box.shown);
        QCOMPARE(AccountCount(), 3);
        QVERIFY(Read(Accounts.at(2)) == changed);
        QCOMPARE(Accounts.at(2).NewMailCount, qint16(7));
        QVERIFY(Read(Accounts.at(1)) == Read(MakeAccount(1)));
        QVERIFY(Read(Accounts.at(3)) == Read(MakeAccount(3)));
    }

    void leavingWithoutSavingChangesNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Abbrechen") << "button";
        QTest::newRow("Esc key") << "esc";
        QTest::newRow("close box") << "close";
        QTest::newRow("Enter in a field") << "enter";
        QTest::newRow("Enter on the save button") << "enter on save";
    }
    void leavingWithoutSavingChangesNothing() {
        QObject scope;
        QFETCH(QString, how);
        SetAccounts(2);
        bool stillOpen = false;
        OnNextModal(&scope, [&](QWidget* w) {
            QPointer<formAccount> e = qobject_cast<formAccount*>(w);
            if (!e)
                return;
            Fill(e, kComplete);
            if (how == QLatin1String("button")) {
                e->Command6->click();
            } else if (how == QLatin1String("esc")) {
                QTest::keyClick(e->Text2, Qt::Key_Escape);
            } else if (how == QLatin1String("close")) {
                e->close();
            } else {
                // No button reacts to Enter: the editor stays open.
                QWidget* target = how == QLatin1String("enter") ? static_cast<QWidget*>(e->Text1) : e->Command2;
                target->setFocus();
                QTest::keyClick(target, Qt::Key_Return);
                QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
                stillOpen = e && e->isVisible();
                if (e)
                    e->Command6->click();
            }
        });
        formAccount::EditAccount(nullptr, 1);
        if (how.startsWith(QLatin1String("enter")))
            QVERIFY(stillOpen);
        QCOMPARE(AccountCount(), 2);
        QVERIFY(Read(Accounts.at(1)) == Read(MakeAccount(1)));
    }

    void copyOpensWithoutPasswordAndAppends() {
        SetAccounts(2);
        // Saved as it opens: the password is missing.
        Session s = Drive([] { formAccount::CopyAccount(nullptr, 2); }, nullptr);
        Fields expected = Read(MakeAccount(2));
        expected.password.clear();
        QVERIFY(s.shownAtOpen == expected);
        QCOMPARE(s.label10, QStringLiteral("Label10"));
        QCOMPARE(s.frame2, QStringLiteral("Account kopieren"));
        QCOMPARE(s.command2, QString::fromUtf8("Kopierten Account hinzufügen"));
        QCOMPARE(s.box.text, formAccount::PasswordMissing);
        QCOMPARE(AccountCount(), 2);

        expected.password = QStringLiteral("anderes");
        s = Drive([] { formAccount::CopyAccount(nullptr, 2); }, &expected);
        QVERIFY(!s.box.shown);
        QCOMPARE(AccountCount(), 3);
        QVERIFY(Read(Accounts.at(3)) == expected);
        QCOMPARE(Accounts.at(3).NewMailCount, qint16(0));
        QVERIFY(Read(Accounts.at(2)) == Read(MakeAccount(2)));
    }

    // A caller such as the import dialog prefills the editor itself.
    void modeMarkerSetByTheCaller_data() {
        QTest::addColumn<QString>("label10");
        QTest::addColumn<int>("written");  // the entry written, 0 for none, 3 for an appended one
        QTest::newRow("add") << "Label10" << 3;
        QTest::newRow("account 1") << "1" << 1;
        QTest::newRow("no such account") << "5" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("not a number") << "Account" << 0;
    }
    void modeMarkerSetByTheCaller() {
        QFETCH(QString, label10);
        QFETCH(int, written);
        SetAccounts(2);
        const Session s = Drive(
            [&label10] {
                auto* e = new formAccount;
                Fill(e, kComplete);
                e->Label10->setText(label10);
                e->exec();
            },
            nullptr);
        QVERIFY(!s.box.shown);
        QVERIFY(!s.openAfterSave);
        QCOMPARE(AccountCount(), written == 3 ? 3 : 2);
        for (int i = 1; i <= AccountCount(); ++i) {
            if (i == written)
                QVERIFY(Read(Accounts.at(i)) == kComplete);
            else
                QVERIFY(Read(Accounts.at(i)) == Read(MakeAccount(i)));
        }
    }

    void helpOpensTheStartPageAndStaysOpen() {
        QObject scope;
        QStringList opened;
        SetShellOpenHandler([&opened](const QString& path) { opened << path; });
        bool stillOpen = false;
        OnNextModal(&scope, [&stillOpen](QWidget* w) {
            if (auto* e = qobject_cast<formAccount*>(w)) {
                e->Command7->click();
                stillOpen = e->isVisible();
                e->Command6->click();
            }
        });
        formAccount::AddAccount(nullptr);
        QVERIFY(stillOpen);
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().endsWith(QStringLiteral("hilfe/start.html")));
    }

    void editOrCopyOfNoAccountOpensNothing() {
        QObject scope;
        SetAccounts(1);
        bool opened = false;
        OnNextModal(&scope, [&opened](QWidget* w) { opened = w != nullptr; });
        formAccount::EditAccount(nullptr, 2);
        formAccount::CopyAccount(nullptr, 0);
        QTest::qWait(0);
        QVERIFY(!opened);
    }

private:
    std::unique_ptr<TestEnvironment> env_;
    std::unique_ptr<ModalWatchdog> watchdog_;
};

QTEST_MAIN(TestFormAccount)
#include "tst_formaccount.moc"
