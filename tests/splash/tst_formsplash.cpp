#include "splash/formsplash.h"
#include "uitestenvironment.h"

#include <QImage>
#include <QLabel>
#include <QtTest>
#include <memory>

class TestFormSplash : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;
    int loads_ = 0;

private slots:
    void initTestCase() { formSplash::SetTimerIntervalForTesting(20); }  // the one-second timer, shortened
    void cleanupTestCase() { formSplash::SetTimerIntervalForTesting(0); }
    void init() {
        env_ = std::make_unique<UiTestEnvironment>();
        loads_ = 0;
    }
    void cleanup() {
        QPointer<formSplash> w = formSplash::Existing();
        formSplash::CloseIfOpen();
        QTRY_VERIFY(w.isNull());
        env_.reset();
    }

    // The main window is loaded once, whether the timer or a click on the logo comes first and
    // whichever of them comes after it while the window is still there.
    void splashLoadsTheMainWindowOnce_data() {
        QTest::addColumn<bool>("clickFirst");
        QTest::addColumn<bool>("logo");
        QTest::newRow("timer first") << false << true;
        QTest::newRow("click on the logo first") << true << true;
        QTest::newRow("click first, logo missing") << true << false;
    }
    void splashLoadsTheMainWindowOnce() {
        QFETCH(bool, clickFirst);
        QFETCH(bool, logo);
        if (logo) {
            QDir().mkpath(env_->path(QStringLiteral("images")));
            QImage image(QSize(300, 200), QImage::Format_RGB32);
            image.fill(QColor(30, 80, 120));
            QVERIFY(image.save(env_->path(QStringLiteral("images/logo.jpg")), "JPG"));
        }
        QPointer<formSplash> w = formSplash::ShowSplash([this] { ++loads_; });
        QVERIFY(w->isVisible());
        if (clickFirst) {
            QTest::mouseClick(w->Image1, Qt::LeftButton);
            QVERIFY(QMetaObject::invokeMethod(w->Timer1, "timeout"));  // a tick already due
        } else {
            QTRY_COMPARE(loads_, 1);
            if (w)
                QTest::mouseClick(w->Image1, Qt::LeftButton);
        }
        QCOMPARE(loads_, 1);
        QTRY_VERIFY(w.isNull());  // closed and destroyed
        QVERIFY(formSplash::Existing() == nullptr);
    }
};

QTEST_MAIN(TestFormSplash)
#include "tst_formsplash.moc"
