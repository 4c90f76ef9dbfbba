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

void RecordingTrayPlatform::ShowMessage(const QString& title, const QString& text, int iconFlag) {
    messages.append({title, text, iconFlag});
    emit MessageRecorded(title, text, iconFlag);
}
