#include "splash/formsplash.h"

#include "core/paths.h"
#include "core/singlewindow.h"
#include "core/twips.h"
#include "core/version.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {
int& timerInterval() {
    static int interval = 0;
    return interval;
}

const QString kSplashMode = QStringLiteral("Nein");
}  // namespace

formSplash* formSplash::Instance(LoadMainWindow loadMainWindow) {
    return SingleWindow::Get<formSplash>([&loadMainWindow] { return new formSplash(std::move(loadMainWindow)); });
}

formSplash* formSplash::Existing() { return SingleWindow::Slot<formSplash>(); }

void formSplash::CloseIfOpen() {
    if (formSplash* w = Existing())
        w->CloseAndDestroy();
}

formSplash* formSplash::ShowSplash(LoadMainWindow loadMainWindow) {
    formSplash* w = Instance(std::move(loadMainWindow));
    w->show();
    return w;
}

void formSplash::ShowAbout() {
    formSplash* w = Instance();
    w->SetAboutMode();
    w->exec();
}

void formSplash::SetTimerIntervalForTesting(int milliseconds) { timerInterval() = milliseconds; }

QString formSplash::WebAddress() { return QStringLiteral("https://www.postfalke.example"); }

QString formSplash::VersionLabelText() { return WebAddress() + QStringLiteral("\r\n") + QStringLiteral("Version ") + VersionText(); }

QSize formSplash::EmptyLogoSize() { return {400, 250}; }

formSplash::formSplash(LoadMainWindow loadMainWindow, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), loadMainWindow_(std::move(loadMainWindow)) {
    setObjectName(QStringLiteral("formSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Postfalke"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->installEventFilter(this);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Label2 = new QLabel(kSplashMode, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setVisible(false);

    Timer1 = new QTimer(this);
    Timer1->setInterval(timerInterval() > 0 ? timerInterval() : 1000);
    connect(Timer1, &QTimer::timeout, this, &formSplash::Timer1_Timer);

    Form_Load();
}

void formSplash::Form_Load() {
    // The logo keeps its own size; a missing or unreadable logo leaves an empty area of a fixed
    // size with the version text, and the start goes on all the same.
    const QPixmap logo(Paths::ProgramFolder() + QStringLiteral("/images/logo.jpg"));
    Image1->setScaledContents(false);
    if (!logo.isNull()) {
        Image1->setPixmap(logo);
        Image1->resize(logo.size());
    } else {
        Image1->setAutoFillBackground(true);
        Image1->setStyleSheet(QStringLiteral("background-color: white;"));
        Image1->resize(EmptyLogoSize());
    }

    QString text = VersionLabelText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Label1->setText(text);
    Label1->adjustSize();

    setFixedSize(Image1->size());
    Image1->move(0, 0);
    Label1->move(width() - Label1->width() - Px(100), height() - Label1->height());
    Label1->raise();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.left() + (s.width() - width()) / 2, s.top() + (s.height() - height()) / 2);
    }

    Timer1->start();
}

bool formSplash::IsSplashMode() const { return Label2->text() == kSplashMode; }

void formSplash::SetAboutMode() { Label2->setText(QStringLiteral("Ja")); }

void formSplash::Timer1_Timer() {
    if (IsSplashMode()) {
        LoadMainWindowOnce();
        CloseAndDestroy();
    } else {
        Timer1->stop();
    }
}

void formSplash::Image1_Click() {
    if (IsSplashMode())
        LoadMainWindowOnce();
    CloseAndDestroy();
}

void formSplash::LoadMainWindowOnce() {
    if (mainWindowLoaded_)
        return;
    mainWindowLoaded_ = true;
    Timer1->stop();
    if (loadMainWindow_)
        loadMainWindow_();
}

void formSplash::CloseAndDestroy() {
    Timer1->stop();
    closing_ = true;
    SingleWindow::Release(this);
    close();
}

void formSplash::reject() {
    // Esc and the window manager's close button: the about window closes; the splash stays for
    // its second, since closing it early would leave the program without its main window.
    if (IsSplashMode() && !closing_)
        return;
    closing_ = true;
    SingleWindow::Release(this);
    Timer1->stop();
    QDialog::reject();
}

bool formSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Image1->rect().contains(mouse->position().toPoint())) {
            Image1_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
