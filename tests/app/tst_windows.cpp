// Every window at the desktop's font and at a font one third larger: captions that can be read
// whole, one font a window, the layout grown in proportion, the whole window on the screen with its
// buttons in view, no maximise button on a window of fixed size, and fields named by their own labels.
#include "app/formmain.h"
#include "core/formlayout.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QtTest>
#include <memory>

namespace {
// Each window, made anew; the caller deletes it.
QList<QWidget*> AllWindows() {
    return {new formMain({}, std::make_unique<RecordingTrayPlatform>()), formEinstellungen::ShowInstance(),
            new formAccount, formWillkommen::ShowInstance(), (formOEImport::Show(nullptr), formOEImport::Instance()),
            formBenachrichtigung::Instance()};
}

bool HiddenOnPurpose(const QWidget* w) { return w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide); }

// The width of a control that a later control on its right leaves free (a label reaching under its field).
int VisibleWidth(const QWidget* w) {
    int width = w->width();
    const QRect own = w->geometry();
    for (const QObject* o : w->parent()->children()) {
        const auto* other = qobject_cast<const QWidget*>(o);
        if (!other || other == w || HiddenOnPurpose(other))
            continue;
        const QRect r = other->geometry();
        if (r.left() > own.left() && r.left() < own.left() + width && r.top() < own.bottom() && r.bottom() > own.top())
            width = r.left() - own.left();
    }
    return width;
}

int NeededWidth(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return button->fontMetrics().horizontalAdvance(button->text().remove(QLatin1Char('&'))) + 8;
    return w->sizeHint().width();
}

// The captions that cannot be read whole: a label or button wider than the room it has, a word-wrapped
// label whose lines run below its bottom.
QStringList CutCaptions(const QWidget* root) {
    QStringList cut;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (HiddenOnPurpose(w))
            continue;
        const auto* label = qobject_cast<const QLabel*>(w);
        bool fits = true;
        if (label && label->wordWrap())
            fits = label->heightForWidth(label->width()) <= label->height();
        else if ((label && !label->text().isEmpty()) || qobject_cast<const QAbstractButton*>(w))
            fits = NeededWidth(w) <= VisibleWidth(w);
        if (!fits)
            cut << QStringLiteral("%1 \"%2\"").arg(w->objectName(),
                                                 label ? label->text() : static_cast<const QAbstractButton*>(w)->text());
    }
    return cut;
}

// A button that shows whole without scrolling: inside its window and inside the visible part of
// any scrolled part around it.
bool InView(const QPushButton* button, const QWidget* window) {
    for (const QWidget* w = button->parentWidget(); w && w != window; w = w->parentWidget()) {
        if (const auto* scroll = qobject_cast<const QScrollArea*>(w)) {
            const QWidget* port = scroll->viewport();
            if (!port->rect().contains(QRect(button->mapTo(port, QPoint()), button->size())))
                return false;
        }
    }
    return window->rect().contains(QRect(button->mapTo(window, QPoint()), button->size()));
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
        const int width = Px(7095);
        QFont font = desktop;
        font.setPointSizeF(desktop.pointSizeF() * factor);
        QApplication::setFont(font);
        const double grown = double(Px(7095)) / width;
        const QList<QWidget*> windows = AllWindows();
        QApplication::setFont(desktop);
        QVERIFY2(qAbs(grown - factor) < 0.05, qPrintable(QString::number(grown)));
        for (QWidget* window : windows) {
            const QString name = window->metaObject()->className();
            QVERIFY2(CutCaptions(window).isEmpty(), qPrintable(name + ": " + CutCaptions(window).join(", ")));
            for (const QWidget* w : window->findChildren<QWidget*>()) {
                if (!w->font().bold())
                    QCOMPARE(w->font().pointSizeF(), font.pointSizeF());
            }
            QVERIFY2(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), qPrintable(name));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            const QSize screen = window->screen()->availableGeometry().size();
            QVERIFY2(window->width() <= screen.width() && window->height() <= screen.height(), qPrintable(name));
            // Buttons outside a scrolled part, and the save button, show without scrolling.
            const QScrollArea* scroll = window->findChild<QScrollArea*>();
            for (const QPushButton* button : window->findChildren<QPushButton*>()) {
                const bool scrolled = scroll && scroll->isAncestorOf(button);
                if (!HiddenOnPurpose(button) &&
                    (!scrolled || button->text() == QStringLiteral("Änderungen speichern")))
                    QVERIFY2(InView(button, window), qPrintable(name + "." + button->objectName()));
            }
            for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
                const QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
                const QString accessible = face ? face->text(QAccessible::Name) : QString();
                const auto* frame = qobject_cast<QGroupBox*>(field->parentWidget());
                QVERIFY2(!accessible.isEmpty() && (!frame || accessible != frame->title()),
                         qPrintable(name + "." + field->objectName() + ": " + accessible));
            }
            delete window;
        }
    }

    // Only a dialog taller than the screen's work area scrolls; its bottom row stays in view.
    void tallDialogScrollsOnlyWhereItMust_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("fits") << 3000 << false;
        QTest::newRow("taller than the screen") << 30000 << true;
    }
    void tallDialogScrollsOnlyWhereItMust() {
        QFETCH(int, height);
        QFETCH(bool, scrolls);
        QWidget dialog;
        FormLayout::SetUpFixedDialog(&dialog, "dialog", QStringLiteral("Dialog"), 3000, height);
        const FormLayout::TallDialog parts = FormLayout::SplitForScreen(&dialog, 3000, height, height - 500);
        auto* save = FormLayout::MakeButton(parts.Footer, "save", QStringLiteral("Speichern"), 120, 100, 1500, 375);
        QCOMPARE(dialog.findChild<QScrollArea*>() != nullptr, scrolls);
        QCOMPARE(dialog.height() < Px(height), scrolls);
        QVERIFY(dialog.height() <= dialog.screen()->availableGeometry().height());
        QVERIFY(InView(save, &dialog));
        QCOMPARE(parts.Footer->geometry().bottom(), dialog.height() - 1);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
