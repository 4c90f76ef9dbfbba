#include "tray/tray.h"

#include "core/paths.h"
#include "core/shell.h"
#include "tray/qttrayplatform.h"

#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QTimer>

TrayEvent TrayEventFromReason(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TrayEvent::LeftButtonUp;
    case QSystemTrayIcon::Context:
        return TrayEvent::RightButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return TrayEvent::DoubleClick;
    case QSystemTrayIcon::MiddleClick:
        return TrayEvent::MiddleClick;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return TrayEvent::Unknown;
}

namespace {
// Runs one action of an event; a failure inside it is passed over so the next step still runs.
template <typename F>
void Step(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

QString CutKeepingPairs(const QString& text, int length) {
    if (text.size() <= length)
        return text;
    // Never leave half of a surrogate pair at the end.
    int n = length;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}
}  // namespace

Tray::Tray(TrayActions actions, std::unique_ptr<TrayPlatform> platform, QObject* parent)
    : QObject(parent), actions_(std::move(actions)), platform_(std::move(platform)), tip_(TipText()) {
    if (!platform_)
        platform_ = std::make_unique<QtTrayPlatform>();
}

Tray::~Tray() {
    RemoveTrayWindowProc();
    if (iconAdded_)
        RemoveTrayIcon();
}

QString Tray::TipText() { return QStringLiteral("Postfalke"); }

QString Tray::CutBalloonTitle(const QString& title) { return CutKeepingPairs(title, BalloonTitleLength); }

QString Tray::CutBalloonText(const QString& text) { return CutKeepingPairs(text, BalloonTextLength); }

QIcon Tray::ProgramIcon() {
    const QString file = Paths::ProgramFolder() + QStringLiteral("/images/postfalke.png");
    if (QFileInfo(file).isFile()) {
        QIcon icon(file);
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            return icon;
    }
    // A blue disc with a white "P".
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.drawEllipse(2, 2, 60, 60);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("P"));
    painter.end();
    return QIcon(pixmap);
}

QIcon Tray::WarningIcon() {
    QPixmap pixmap = ProgramIcon().pixmap(64, 64);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF triangle[] = {{38.0, 62.0}, {51.0, 36.0}, {64.0, 62.0}};
    painter.setPen(QPen(Qt::black, 2.0));
    painter.setBrush(QColor(0xf5, 0xc2, 0x11));
    painter.drawPolygon(triangle, 3);
    painter.setPen(QPen(Qt::black, 4.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(51.0, 45.0), QPointF(51.0, 52.0));
    painter.drawPoint(QPointF(51.0, 58.0));
    painter.end();
    return QIcon(pixmap);
}

bool Tray::TrayAvailable() const { return platform_->IsTrayAvailable(); }

void Tray::AddTrayIcon() {
    platform_->ShowIcon(failed_ ? WarningIcon() : ProgramIcon(), tip_);
    iconAdded_ = true;
    InstallTrayWindowProc();
}

void Tray::ShowCheckState(const QString& tip, bool failed) {
    tip_ = tip;
    failed_ = failed;
    if (iconAdded_)
        platform_->ShowIcon(failed ? WarningIcon() : ProgramIcon(), tip);
}

void Tray::RemoveTrayIcon() {
    platform_->HideIcon();
    iconAdded_ = false;
}

void Tray::ShowBalloon(int iconFlag, const QString& title, const QString& text) {
    if (!platform_->CanShowMessages())
        return;
    platform_->ShowMessage(CutBalloonTitle(title), CutBalloonText(text), iconFlag);
}

void Tray::InstallTrayWindowProc() {
    if (IsTrayWindowProcInstalled())
        return;
    activatedConnection_ = connect(platform_.get(), &TrayPlatform::Activated, this,
                                   [this](QSystemTrayIcon::ActivationReason reason) {
                                       // The press was on the icon, not on the balloon.
                                       balloonClickPending_ = false;
                                       TrayWindowProc(TrayEventFromReason(reason));
                                   });
    messageConnection_ = connect(platform_.get(), &TrayPlatform::MessageClicked, this, [this] {
        balloonClickPending_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!balloonClickPending_ || !IsTrayWindowProcInstalled())
                return;
            balloonClickPending_ = false;
            TrayWindowProc(TrayEvent::BalloonClicked);
        });
    });
}

void Tray::RemoveTrayWindowProc() {
    if (!IsTrayWindowProcInstalled())
        return;
    disconnect(activatedConnection_);
    disconnect(messageConnection_);
    activatedConnection_ = {};
    messageConnection_ = {};
}

void Tray::TrayWindowProc(TrayEvent event) {
    switch (event) {
    case TrayEvent::LeftButtonUp:
        Step([this] {
            if (actions_.ShowMainWindow)
                actions_.ShowMainWindow();
        });
        break;
    case TrayEvent::RightButtonUp: {
        // The mouse position is taken first: the window coming to the front must not move the menu.
        const QPoint at = platform_->CursorPosition();
        Step([this] {
            if (actions_.BringMainWindowToFront)
                actions_.BringMainWindowToFront();
        });
        Step([this, at] {
            if (actions_.PopUpMenu)
                actions_.PopUpMenu(at);
        });
        break;
    }
    case TrayEvent::BalloonClicked:
        Step([] { StartEMailProgram(); });
        break;
    case TrayEvent::DoubleClick:
    case TrayEvent::MiddleClick:
    case TrayEvent::Unknown:
        break;
    }
}
