#pragma once

#include "core/shell.h"
#include "core/sound.h"
#include "testenvironment.h"

// The engine's private world plus the windows' seams: the shell's "open" and the sound player only
// record, so no test starts a program or plays a sound.
class UiTestEnvironment : public TestEnvironment {
public:
    UiTestEnvironment() {
        SetShellOpenHandler([](const QString&) {});
        Sound::SetRecorderForTesting([](const QString&) {});
    }
    ~UiTestEnvironment() {
        SetShellOpenHandler({});
        Sound::SetRecorderForTesting({});
    }
};
