#include "uitestenvironment.h"

#include "core/shell.h"
#include "core/sound.h"

UiTestEnvironment::UiTestEnvironment() {
    SetShellOpenHandler([](const QString&) {});
    Sound::SetRecorderForTesting([](const QString&) {});
}

UiTestEnvironment::~UiTestEnvironment() {
    SetShellOpenHandler({});
    Sound::SetRecorderForTesting({});
}
