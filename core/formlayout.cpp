#include "core/formlayout.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QShortcut>

namespace FormLayout {

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

void SetUpFixedDialog(QWidget* dialog, const char* name, const QString& title, int width, int height) {
    dialog->setObjectName(QLatin1String(name));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    dialog->setFixedSize(Px(width), Px(height));
}

TallDialog SplitForScreen(QWidget* dialog, int width, int height, int footerTop) {
    auto* whole = new QWidget;
    auto* body = new QWidget(whole);
    auto* footer = new QWidget(whole);
    whole->setFixedSize(Px(width), Px(height));
    body->setFixedSize(Px(width), Px(footerTop));
    footer->setGeometry(0, Px(footerTop), Px(width), Px(height) - Px(footerTop));
    // The window manager's title bar and borders are not known before the dialog is shown.
    const int frame = dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, dialog) + 8;
    const QScreen* screen = dialog->screen();
    const QSize fits = screen ? screen->availableGeometry().size() - QSize(4, frame) : whole->size();
    if (whole->width() <= fits.width() && whole->height() <= fits.height()) {
        whole->setParent(dialog);
        return {body, footer};
    }
    auto* scroll = new QScrollArea(dialog);
    scroll->setObjectName(QStringLiteral("Body"));
    scroll->setFrameShape(QFrame::NoFrame);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    QSize visible;
    if (whole->width() <= fits.width()) {
        // Too tall only: the bottom row stays in view below the part that scrolls.
        footer->setParent(dialog);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll->setWidget(body);
        visible = QSize(body->width() + bar, qMax(footer->height(), fits.height()));
        scroll->setGeometry(0, 0, visible.width(), visible.height() - footer->height());
        footer->move(0, visible.height() - footer->height());
        delete whole;
    } else {
        // Too wide: everything scrolls, the bottom row with the rest; below it the scroll bar.
        scroll->setWidget(whole);
        visible = QSize(fits.width(), qMin(whole->height() + bar, fits.height()));
        scroll->setGeometry(QRect(QPoint(), visible));
    }
    dialog->setFixedSize(visible);
    return {body, footer};
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

void SetTabOrder(const QList<QWidget*>& order) {
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void PressOnEscape(QWidget* window, QAbstractButton* cancel) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, cancel, &QAbstractButton::click);
}

void CentreOver(QWidget* window, const QWidget* owner) {
    if (owner && !owner->isVisible())
        owner = nullptr;
    const QScreen* screen = owner ? owner->screen() : window->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(owner ? owner->frameGeometry().center() : available.center());
    frame.moveLeft(qBound(available.left(), frame.left(), qMax(available.left(), available.right() + 1 - frame.width())));
    frame.moveTop(qBound(available.top(), frame.top(), qMax(available.top(), available.bottom() + 1 - frame.height())));
    window->move(frame.topLeft());
}

}  // namespace FormLayout
