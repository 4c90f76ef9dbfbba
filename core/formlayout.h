#pragma once

#include "core/twips.h"

#include <QList>
#include <QString>

class QAbstractButton;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// Building blocks of the program's windows, whose controls stand at fixed places given in twips.
namespace FormLayout {

// Line break inside message texts and labels.
inline const QString CrLf = QStringLiteral("\r\n");

// Puts a control at its place; all four values in twips.
void Place(QWidget* w, int left, int top, int width, int height);

// A dialog of fixed size (width and height in twips) with a title and a close box only, deleted when
// it closes.
void SetUpFixedDialog(QWidget* dialog, const char* name, const QString& title, int width, int height);

// A dialog of fixed size whose controls may not fit the screen's work area at a large font. The
// controls above the bottom row of buttons go into `Body`, that row into `Footer`; each is placed in
// twips from its own top left. Where the dialog fits, nothing changes. Where it is only too tall, it
// is made as tall as fits, the body scrolls and the bottom row stays in view; where it is too wide,
// it is made as large as fits and all of it scrolls.
struct TallDialog {
    QWidget* Body;
    QWidget* Footer;
};
TallDialog SplitForScreen(QWidget* dialog, int width, int height, int footerTop);

// A named control with a caption at its place.
template <typename W>
W* Make(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height) {
    auto* w = new W(text, parent);
    w->setObjectName(QLatin1String(name));
    Place(w, left, top, width, height);
    return w;
}

// A named control without a caption at its place.
template <typename W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    Place(w, left, top, width, height);
    return w;
}

// A button that is never the default button: Enter in a text field presses nothing.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                        int height);

// The banner across the top of a dialog (Shape1), in the colour of a text field's background.
QFrame* MakeBanner(QWidget* parent, int width, int height);

// The bold heading on the banner (Label1).
QLabel* MakeHeading(QWidget* parent, const QString& text, int left, int top, int width, int height);

// The keyboard's way through a window: each control after the one before it.
void SetTabOrder(const QList<QWidget*>& order);

// Esc presses the window's cancel button.
void PressOnEscape(QWidget* window, QAbstractButton* cancel);

// Moves a window so that it stands centred over its owner (over the screen's work area where there
// is none or the owner is hidden), its whole frame on that screen.
void CentreOver(QWidget* window, const QWidget* owner);

}  // namespace FormLayout
