#include "core/account.h"
#include "core/listview.h"
#include "core/shell.h"
#include "core/twips.h"
#include "testenvironment.h"
#include "tray/formbenachrichtigung.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>

class TestFormBenachrichtigung : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;
    QStringList opened_;

    static QRect Twips(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

    // Closes a leftover window and waits until it is gone.
    static void CloseWindow() {
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Existing();
        formBenachrichtigung::CloseIfOpen();
        QTRY_VERIFY(w.isNull());
    }

private slots:
    void init() {
        env_ = std::make_unique<TestEnvironment>();
        opened_.clear();
        SetShellOpenHandler([this](const QString& path) { opened_ << path; });
        Settings.EMailProgramm = QStringLiteral("/opt/mail/bin/mailer");
    }
    void cleanup() {
        CloseWindow();
        env_.reset();
    }

    void controlsCaptionsAndPlaces() {
        formBenachrichtigung* w = formBenachrichtigung::Instance();
        QCOMPARE(w->windowTitle(), QStringLiteral("E-Mail(s) eingetroffen"));
        QCOMPARE(w->size(), QSize(Px(7815), Px(2655)));
        QCOMPARE(w->Label1->text(), QStringLiteral("Sie haben neue E-Mail Nachrichten!"));
        QCOMPARE(w->Label1->geometry(), Twips(120, 120, 4695, 255));
        QCOMPARE(w->ListView1->geometry(), Twips(120, 480, 7575, 1575));
        QCOMPARE(w->Command1->text(), QStringLiteral("&E-Mail Programm starten"));
        QCOMPARE(w->Command1->geometry(), Twips(120, 2160, 3735, 375));
        QCOMPARE(w->Command2->text(), QStringLiteral("Fenster &schließen"));
        QCOMPARE(w->Command2->geometry(), Twips(3960, 2160, 3735, 375));
        // The access keys: E starts the e-mail program, s closes.
        QCOMPARE(w->Command1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_E));
        QCOMPARE(w->Command2->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
    }

    void listColumns_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("widthTwips");
        QTest::addColumn<bool>("centred");
        QTest::newRow("Uhrzeit") << 0 << "Uhrzeit" << 900 << false;
        QTest::newRow("Account") << 1 << "Account" << 2600 << false;
        QTest::newRow("Mailbox") << 2 << "Mailbox" << 2170 << false;
        QTest::newRow("E-Mails, centred") << 3 << "E-Mails" << 1560 << true;
    }

    void listColumns() {
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(int, widthTwips);
        QFETCH(bool, centred);
        ListView* list = formBenachrichtigung::Instance()->ListView1;
        QCOMPARE(list->ColumnCount(), 4);
        QCOMPARE(list->headerItem()->text(column), header);
        QCOMPARE(list->columnWidth(column), Px(widthTwips));
        const int row = list->AddRow(QStringLiteral("12:00:00"));
        QCOMPARE(list->topLevelItem(row - 1)->textAlignment(column) == int(Qt::AlignCenter), centred);
        QVERIFY(list->editTriggers() == QAbstractItemView::NoEditTriggers);
    }

    void singleInstanceCreatedAnewAfterClosing() {
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        formBenachrichtigung::CloseIfOpen();  // nothing open: nothing happens
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QPointer<formBenachrichtigung> first = formBenachrichtigung::Instance();
        QCOMPARE(formBenachrichtigung::Instance(), first.data());
        QCOMPARE(formBenachrichtigung::Existing(), first.data());
        first->ListView1->AddRow(QStringLiteral("12:00:00"));
        first->show();

        first->close();
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QTRY_VERIFY(first.isNull());  // destroyed, not only hidden

        formBenachrichtigung* second = formBenachrichtigung::Instance();
        QCOMPARE(second->ListView1->RowCount(), 0);
        QCOMPARE(second->ListView1->ColumnCount(), 4);
    }

    void buttons_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("expectedStarts");
        QTest::newRow("E-Mail Programm starten: starts, then closes") << "Command1" << QStringList{"/opt/mail/bin/mailer"};
        QTest::newRow("Fenster schließen: closes only") << "Command2" << QStringList{};
        QTest::newRow("Esc: closes only") << "Esc" << QStringList{};
    }

    void buttons() {
        QFETCH(QString, how);
        QFETCH(QStringList, expectedStarts);
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Instance();
        w->PlaceAndShow(true);
        QVERIFY(QTest::qWaitForWindowActive(w));
        if (how == QLatin1String("Command1"))
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        else if (how == QLatin1String("Command2"))
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        else
            QTest::keyClick(w, Qt::Key_Escape);
        QCOMPARE(opened_, expectedStarts);
        QVERIFY(formBenachrichtigung::Existing() == nullptr);
        QTRY_VERIFY(w.isNull());
    }

    void missingProgramStillCloses() {
        SetShellOpenHandler({});  // the real shell verb, on a path that does not exist
        Settings.EMailProgramm = env_->path(QStringLiteral("gibt-es-nicht/mailer"));
        QPointer<formBenachrichtigung> w = formBenachrichtigung::Instance();
        w->show();
        w->Command1->click();
        QTRY_VERIFY(w.isNull());
    }

    void shownOnTopCentredWithOrWithoutFocus_data() {
        QTest::addColumn<bool>("takeFocus");
        QTest::newRow("BenachrichtigungFokus 1: activated") << true;
        QTest::newRow("BenachrichtigungFokus 0: shown without activation") << false;
    }

    void shownOnTopCentredWithOrWithoutFocus() {
        QFETCH(bool, takeFocus);
        formBenachrichtigung* w = formBenachrichtigung::Instance();
        w->PlaceAndShow(takeFocus);
        QVERIFY(w->isVisible());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w->testAttribute(Qt::WA_ShowWithoutActivating), !takeFocus);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w->pos(), formBenachrichtigung::CentredPosition(w->frameGeometry().size(), screen));

        // Shown again with the other setting: the attribute follows, the window stays on top.
        w->PlaceAndShow(!takeFocus);
        QVERIFY(w->isVisible());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w->testAttribute(Qt::WA_ShowWithoutActivating), takeFocus);
    }

    void centredPosition_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("even margins") << QSize(521, 177) << QRect(0, 0, 1921, 1081) << QPoint(700, 452);
        QTest::newRow("half pixel rounds") << QSize(520, 176) << QRect(0, 0, 1921, 1081) << QPoint(qRound(700.5), qRound(452.5));
        QTest::newRow("screen not at the origin") << QSize(500, 200) << QRect(1920, 100, 1280, 1024) << QPoint(2310, 512);
        QTest::newRow("window larger than the screen") << QSize(900, 700) << QRect(0, 0, 800, 600) << QPoint(-50, -50);
    }

    void centredPosition() {
        QFETCH(QSize, window);
        QFETCH(QRect, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(formBenachrichtigung::CentredPosition(window, screen), expected);
    }
};

QTEST_MAIN(TestFormBenachrichtigung)
#include "tst_formbenachrichtigung.moc"
