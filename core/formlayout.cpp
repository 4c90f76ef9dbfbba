#include "core/formlayout.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <functional>

namespace FormLayout {

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                        int height) {
    auto* button = Make<QPushButton>(parent, name, caption, left, top, width, height);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QFrame* MakeBanner(QWidget* parent, int width, int height) {
    auto* banner = Make<QFrame>(parent, "Shape1", 0, 0, width, height);
    banner->setFrameShape(QFrame::NoFrame);
    banner->setAutoFillBackground(true);
    banner->setBackgroundRole(QPalette::Base);
    return banner;
}

QLabel* MakeHeading(QWidget* parent, const QString& text, int left, int top, int width, int height) {
    auto* heading = Make<QLabel>(parent, "Label1", text, left, top, width, height);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    return heading;
}

namespace {
constexpr double kSmallestPointSize = 6.0;

bool HiddenOnPurpose(const QWidget* w) { return w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide); }

// The width in which a control's caption can be read: its own width, or less where a later
// control overlaps it on the right (a label reaching under its text field).
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

// The width a caption needs: for a push button just its text, for the others their size hint
// (check box and option button include their indicator).
int NeededWidth(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        return button->fontMetrics().horizontalAdvance(text) + 8;
    }
    return w->sizeHint().width();
}

void ShrinkUntil(QWidget* w, const std::function<bool()>& fits) {
    QFont font = w->font();
    while (!fits() && font.pointSizeF() > kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        w->setFont(font);
    }
}
}  // namespace

void FitCaptions(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        // Markers and buttons hidden on purpose are never seen; the others are hidden only until
        // their window shows.
        if (HiddenOnPurpose(w))
            continue;
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) {
            ShrinkUntil(label, [label] { return label->heightForWidth(label->width()) <= label->height(); });
        } else if ((label && !label->text().isEmpty()) || qobject_cast<QAbstractButton*>(w)) {
            const int available = VisibleWidth(w);
            ShrinkUntil(w, [w, available] { return NeededWidth(w) <= available; });
        }
    }
}

}  // namespace FormLayout
