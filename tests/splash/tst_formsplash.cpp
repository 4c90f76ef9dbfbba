#include "core/twips.h"
#include "core/version.h"
#include "splash/formsplash.h"
#include "testenvironment.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <memory>

class TestFormSplash : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env_;
    int loads_ = 0;

    static constexpr int kTick = 20;  // the one-second timer, shortened

    void WriteLogo(const QSize& size) {
        QDir().mkpath(env_->path(QStringLiteral("images")));
        QImage logo(size, QImage::Format_RGB32);
        logo.fill(QColor(30, 80, 120));
        QVERIFY(logo.save(env_->path(QStringLiteral("images/logo.jpg")), "JPG"));
    }

    formSplash* NewSplash() {
        return formSplash::Instance([this] { ++loads_; });
    }

    // Waits long enough for several ticks of the shortened timer.
    static void SeveralTicks() { QTest::qWait(kTick * 5); }

private slots:
    void initTestCase() { formSplash::SetTimerIntervalForTesting(kTick); }
    void cleanupTestCase() { formSplash::SetTimerIntervalForTesting(0); }

    void init() {
        env_ = std::make_unique<TestEnvironment>();
        loads_ = 0;
    }

    void cleanup() {
        QPointer<formSplash> w = formSplash::Existing();
        formSplash::CloseIfOpen();
        QTRY_VERIFY(w.isNull());
        env_.reset();
    }

    void windowTakesTheLogosSize() {
        WriteLogo(QSize(300, 200));
        formSplash* w = NewSplash();
        QCOMPARE(w->size(), QSize(300, 200));
        QCOMPARE(w->Image1->geometry(), QRect(0, 0, 300, 200));
        QVERIFY(!w->Image1->hasScaledContents());
        // The version text: right edge 100 twips inside the window's, bottom edge on its bottom.
        const QRect label = w->Label1->geometry();
        QCOMPARE(label.x() + label.width(), 300 - Px(100));
        QCOMPARE(label.y() + label.height(), 200);
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    }

    void startState() {
        WriteLogo(QSize(300, 200));
        formSplash* w = NewSplash();
        QCOMPARE(w->Label1->text().split(QLatin1Char('\n')),
                 (QStringList{formSplash::WebAddress(), QStringLiteral("Version ") + VersionText()}));
        QCOMPARE(formSplash::VersionLabelText(), formSplash::WebAddress() + QStringLiteral("\r\nVersion ") + VersionText());
        QCOMPARE(w->Label2->text(), QStringLiteral("Nein"));
        QVERIFY(w->Label2->isHidden());
        QVERIFY(w->IsSplashMode());
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), kTick);
    }

    void oneSecondByDefault() {
        formSplash::SetTimerIntervalForTesting(0);
        formSplash* w = formSplash::Instance();
        QCOMPARE(w->Timer1->interval(), 1000);
        formSplash::SetTimerIntervalForTesting(kTick);
    }

    void centredOnTheScreen() {
        WriteLogo(QSize(300, 200));
        formSplash* w = NewSplash();
        const QRect s = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w->pos(), QPoint(s.left() + (s.width() - 300) / 2, s.top() + (s.height() - 200) / 2));
    }

    void splashLoadsTheMainWindowOnce_data() {
        QTest::addColumn<bool>("clickFirst");
        QTest::addColumn<bool>("logo");
        QTest::newRow("timer first") << false << true;
        QTest::newRow("click on the logo first") << true << true;
        QTest::newRow("timer first, logo missing") << false << false;
        QTest::newRow("click first, logo missing") << true << false;
    }

    void splashLoadsTheMainWindowOnce() {
        QFETCH(bool, clickFirst);
        QFETCH(bool, logo);
        if (logo)
            WriteLogo(QSize(300, 200));
        QPointer<formSplash> w = formSplash::ShowSplash([this] { ++loads_; });
        QVERIFY(w->isVisible());
        if (!logo)
            QCOMPARE(w->size(), formSplash::EmptyLogoSize());
        if (clickFirst) {
            QTest::mouseClick(w->Image1, Qt::LeftButton);
            QCOMPARE(loads_, 1);
        }
        QTRY_VERIFY(w.isNull());  // closed and destroyed
        QVERIFY(formSplash::Existing() == nullptr);
        SeveralTicks();
        QCOMPARE(loads_, 1);
    }

    void clickOnTheVersionTextDoesNothing() {
        WriteLogo(QSize(300, 200));
        QPointer<formSplash> w = NewSplash();
        w->Timer1->stop();  // only the click counts here
        QTest::mouseClick(w->Label1, Qt::LeftButton);
        QCOMPARE(loads_, 0);
        QVERIFY(!w.isNull());
        QVERIFY(formSplash::Existing() == w);
    }

    void escapeKeepsTheSplashButClosesTheAbout() {
        WriteLogo(QSize(300, 200));
        QPointer<formSplash> w = formSplash::ShowSplash([this] { ++loads_; });
        w->Timer1->stop();
        w->reject();  // what Esc does
        QVERIFY(!w.isNull() && w->isVisible());
        QCOMPARE(loads_, 0);

        w->SetAboutMode();
        w->reject();
        QTRY_VERIFY(w.isNull());
        QCOMPARE(loads_, 0);
    }

    void aboutStaysUntilClicked() {
        WriteLogo(QSize(300, 200));
        QPointer<formSplash> w = NewSplash();
        w->SetAboutMode();
        w->show();
        QCOMPARE(w->Label2->text(), QStringLiteral("Ja"));
        QVERIFY(!w->IsSplashMode());
        QTRY_VERIFY(!w->Timer1->isActive());  // the first tick stops the timer
        SeveralTicks();
        QVERIFY(!w.isNull() && w->isVisible());
        QCOMPARE(loads_, 0);
        QTest::mouseClick(w->Image1, Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(loads_, 0);
    }

    void modeFlagOnlyExactNein_data() {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<bool>("splash");
        QTest::newRow("Nein") << "Nein" << true;
        QTest::newRow("Ja") << "Ja" << false;
        QTest::newRow("nein, lower case") << "nein" << false;
        QTest::newRow("empty") << "" << false;
    }

    void modeFlagOnlyExactNein() {
        QFETCH(QString, flag);
        QFETCH(bool, splash);
        formSplash* w = NewSplash();
        w->Label2->setText(flag);
        QCOMPARE(w->IsSplashMode(), splash);
    }

    void aboutShownModallyTwice() {
        WriteLogo(QSize(300, 200));
        for (int round = 1; round <= 2; ++round) {
            bool sawAbout = false;
            QTimer::singleShot(0, this, [&] {
                formSplash* w = formSplash::Existing();
                QVERIFY(w && w->isModal() && w->isVisible());
                sawAbout = !w->IsSplashMode();
                QTRY_VERIFY(!w->Timer1->isActive());
                QVERIFY(w->isVisible());
                QTest::mouseClick(w->Image1, Qt::LeftButton);
            });
            formSplash::ShowAbout();
            QVERIFY2(sawAbout, qPrintable(QStringLiteral("round %1").arg(round)));
            QVERIFY(formSplash::Existing() == nullptr);
        }
        QCOMPARE(loads_, 0);
    }

    void closingFromOutside() {
        QPointer<formSplash> w = NewSplash();
        w->show();
        formSplash::CloseIfOpen();
        QVERIFY(formSplash::Existing() == nullptr);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(loads_, 0);
        formSplash::CloseIfOpen();  // nothing open: nothing happens
    }
};

QTEST_MAIN(TestFormSplash)
#include "tst_formsplash.moc"
