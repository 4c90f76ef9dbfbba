#pragma once

// Which captions of a window cannot be read whole: a label, button, check box or option button
// whose text is wider than its control, or than the part of it that a later control on its right
// leaves free (a label reaching under its text field); a word-wrapped label whose lines run below
// its bottom. Controls hidden on purpose are never seen and do not count.

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace CaptionFit {

inline bool HiddenOnPurpose(const QWidget* w) {
    return w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

inline int VisibleWidth(const QWidget* w) {
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

inline int NeededWidth(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        return button->fontMetrics().horizontalAdvance(text) + 8;
    }
    return w->sizeHint().width();
}

// The names and texts of the captions that are cut.
inline QStringList CutCaptions(const QWidget* root) {
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
            cut << w->objectName() + QStringLiteral(" \"") + (label ? label->text() : static_cast<const QAbstractButton*>(w)->text()) + QLatin1Char('"');
    }
    return cut;
}

}  // namespace CaptionFit
