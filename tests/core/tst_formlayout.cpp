#include "core/formlayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace FormLayout;

class TestFormLayout : public QObject {
    Q_OBJECT
private slots:
    // A window is centred over its owner, but never leaves the work area; with no owner, or a
    // hidden one, it is centred on the work area.
    void centreOverTheOwner_data() {
        QTest::addColumn<QRect>("owner");  // empty: none
        QTest::addColumn<bool>("ownerShown");
        QTest::addColumn<QPoint>("centre");  // relative to the work area's top left; -1: its centre
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("no owner") << QRect() << false << QPoint(-1, -1);
        QTest::newRow("hidden owner") << QRect(0, 0, 300, 200) << false << QPoint(-1, -1);
        QTest::newRow("owner in the middle") << QRect(200, 150, 400, 300) << true << QPoint(400, 300);
        QTest::newRow("owner at the bottom right edge") << QRect(area.width() - 100, area.height() - 80, 100, 80)
                                                        << true << QPoint(area.width() - 100, area.height() - 60);
    }
    void centreOverTheOwner() {
        QFETCH(QRect, owner);
        QFETCH(bool, ownerShown);
        QFETCH(QPoint, centre);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget ownerWindow;
        ownerWindow.setGeometry(owner.translated(area.topLeft()));
        if (ownerShown) {
            ownerWindow.show();
            ownerWindow.move(owner.translated(area.topLeft()).topLeft());
        }
        QWidget window;
        window.resize(200, 120);
        CentreOver(&window, owner.isNull() ? nullptr : &ownerWindow);
        const QRect frame = window.frameGeometry();
        QVERIFY(area.contains(frame));
        const QPoint expected = centre.x() < 0 ? area.center() : area.topLeft() + centre;
        QVERIFY2((frame.center() - expected).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("centre %1,%2").arg(frame.center().x()).arg(frame.center().y())));
    }
};

QTEST_MAIN(TestFormLayout)
#include "tst_formlayout.moc"
