#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

class ListView;
class QLabel;
class QPushButton;

// The small always-on-top window that lists every account with the result of the last check
// after a cycle found new mail. One instance: created on first use, destroyed when closed.
class formBenachrichtigung : public QWidget {
    Q_OBJECT
public:
    // The window, created and loaded (list with its four columns) when it does not exist.
    static formBenachrichtigung* Instance();
    // The window when it exists, else null. A closed window no longer counts.
    static formBenachrichtigung* Existing();
    // Closes the window when it is open (the main window's shutdown); else does nothing.
    static void CloseIfOpen();

    // Centres the window on the primary screen and shows it above all ordinary windows. With
    // takeFocus it becomes the active window; without, it comes up without activation, so the
    // window the user works in keeps the keyboard focus. A window already shown is raised again.
    void PlaceAndShow(bool takeFocus);
    // The top-left corner that centres a window of the given size on the screen.
    static QPoint CentredPosition(const QSize& windowSize, const QRect& screen);

    QLabel* Label1 = nullptr;
    ListView* ListView1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit formBenachrichtigung(QWidget* parent = nullptr);
    void Command1_Click();
    void Command2_Click();
};
