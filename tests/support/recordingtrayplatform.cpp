#include "recordingtrayplatform.h"

void RecordingTrayPlatform::ShowIcon(const QIcon& newIcon, const QString& newTip) {
    ++showIconCalls;
    iconVisible = true;
    icon = newIcon;
    tip = newTip;
}

void RecordingTrayPlatform::HideIcon() {
    ++hideIconCalls;
    iconVisible = false;
}

void RecordingTrayPlatform::ShowMessage(const QString& title, const QString& text, BalloonIcon balloonIcon) {
    messages.append({title, text, balloonIcon});
    emit MessageRecorded(title, text, balloonIcon);
}
