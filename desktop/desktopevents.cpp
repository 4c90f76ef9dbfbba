#include "desktop/desktopevents.h"

#include <QNetworkInformation>

DesktopEvents::DesktopEvents(QObject* parent) : QObject(parent) {}

void DesktopEvents::Start() {
    watchingSleep_ = StartSleepWatch();
    watchingNetwork_ = StartNetworkWatch();
}

void DesktopEvents::PrepareForSleep(bool sleeping) {
    if (sleeping)
        emit GoingToSleep();
    else
        emit Woken();
}

bool DesktopEvents::StartNetworkWatch() {
    using Info = QNetworkInformation;
#ifdef Q_OS_LINUX
    // NetworkManager on the system bus; Qt's other Linux backend only guesses from the interfaces.
    const bool loaded = Info::loadBackendByName(u"networkmanager");
#else
    const bool loaded = Info::loadDefaultBackend();
#endif
    Info* info = loaded ? Info::instance() : nullptr;
    if (!info || !info->supports(Info::Feature::Reachability))
        return false;
    online_ = info->reachability() == Info::Reachability::Online;
    connect(info, &Info::reachabilityChanged, this, [this](Info::Reachability reachability) {
        const bool online = reachability == Info::Reachability::Online;
        const bool cameBack = online && !online_;
        online_ = online;
        if (cameBack)
            emit BackOnline();
    });
    return true;
}
