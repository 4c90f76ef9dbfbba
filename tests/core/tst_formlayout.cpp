#include "core/formlayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace FormLayout;

class TestFormLayout : public QObject {
    Q_OBJECT
private slots:
    // Captions cut off at a control's edge, or under the next control, are made to fit; captions
    // that fit, and controls hidden on purpose, keep their font.
    void captionsFitWhereTheyCanBeRead() {
        QWidget window;
        window.setFont([] { QFont f; f.setPointSizeF(14); return f; }());
        auto* underField = Make<QLabel>(&window, "under", QStringLiteral("Kontroll-Intervall (Minuten)"), 240, 400, 2775, 255);
        Make<QLineEdit>(&window, "field", 2160, 360, 495, 285);
        auto* button = MakeButton(&window, "long", QStringLiteral("Outlook Express Accounts importieren"), 240, 3000, 3135, 375);
        auto* question = MakeButton(&window, "question", QStringLiteral("?"), 6480, 3000, 495, 375);
        auto* hidden = Make<QLabel>(&window, "hidden", QStringLiteral("Label10 mit langem Text"), 240, 2280, 300, 195);
        hidden->hide();

        FitCaptions(&window);

        QVERIFY(underField->sizeHint().width() <= Px(2160 - 240));
        QVERIFY(underField->font().pointSizeF() < 14);
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width());
        QCOMPARE(question->font().pointSizeF(), 14.0);
        QCOMPARE(hidden->font().pointSizeF(), 14.0);
    }
};

QTEST_MAIN(TestFormLayout)
#include "tst_formlayout.moc"
