// Every window of the program at the desktop's font and at a font one third larger: captions that
// can be read whole, one font a window, no maximise button on a window of fixed size, and fields
// named by their own labels.
#include "app/formmain.h"
#include "captionfit.h"
#include "core/twips.h"
#include "dialogs/formaccount.h"
#include "dialogs/formeinstellungen.h"
#include "dialogs/formwillkommen.h"
#include "oeimport/formoeimport.h"
#include "recordingtrayplatform.h"
#include "tray/formbenachrichtigung.h"
#include "uitestenvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>
#include <memory>

namespace {
// Each window, made anew; the caller deletes it.
QList<QWidget*> AllWindows() {
    return {new formMain({}, std::make_unique<RecordingTrayPlatform>()), formEinstellungen::ShowInstance(),
            new formAccount, formWillkommen::ShowInstance(), (formOEImport::Show(nullptr), formOEImport::Instance()),
            formBenachrichtigung::Instance()};
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}
}  // namespace

class TestWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<UiTestEnvironment> env_;

private slots:
    void init() { env_ = std::make_unique<UiTestEnvironment>(); }
    void cleanup() { env_.reset(); }

    void eachWindowAtTheFont_data() {
        QTest::addColumn<double>("factor");
        QTest::newRow("desktop's font") << 1.0;
        QTest::newRow("one third larger") << 4.0 / 3.0;
    }
    void eachWindowAtTheFont() {
        QFETCH(double, factor);
        const QFont desktop = QApplication::font();
        QFont font = desktop;
        font.setPointSizeF(desktop.pointSizeF() * factor);
        QApplication::setFont(font);
        const QList<QWidget*> windows = AllWindows();
        QApplication::setFont(desktop);
        for (QWidget* window : windows) {
            const QString name = window->metaObject()->className();
            QVERIFY2(CaptionFit::CutCaptions(window).isEmpty(), qPrintable(name + ": " + CaptionFit::CutCaptions(window).join(", ")));
            for (const QWidget* w : window->findChildren<QWidget*>()) {
                if (!w->font().bold())
                    QCOMPARE(w->font().pointSizeF(), font.pointSizeF());
            }
            QVERIFY2(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), qPrintable(name));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
                const QString accessible = AccessibleName(field);
                const auto* frame = qobject_cast<QGroupBox*>(field->parentWidget());
                QVERIFY2(!accessible.isEmpty() && (!frame || accessible != frame->title()),
                         qPrintable(name + "." + field->objectName() + ": " + accessible));
            }
            delete window;
        }
    }

    // The layout keeps its proportions at a larger font.
    void layoutGrowsInProportion() {
        const QFont desktop = QApplication::font();
        const int width = Px(7095);
        QFont font = desktop;
        font.setPointSizeF(desktop.pointSizeF() * 4.0 / 3.0);
        QApplication::setFont(font);
        const double grown = double(Px(7095)) / width;
        const double grownHeight = double(Px(9255)) / Px(9255 * 3 / 4);
        QApplication::setFont(desktop);
        QVERIFY2(qAbs(grown - 4.0 / 3.0) < 0.05, qPrintable(QString::number(grown)));
        QVERIFY(grownHeight > 1.3);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
