#pragma once

#include <QString>
#include <functional>

// The program's sounds: the system beep and wave files.
namespace Sound {

// The system beep.
void Beep();

// Plays a wave file in the background and returns at once; the program never waits for it. A
// machine without a sound device plays nothing and reports nothing.
void PlayAsync(const QString& path);

// What the tests put in place of the real sounds: every request is handed to the recorder as
// "beep" or "async:" + path; an empty recorder restores the real sounds.
void SetRecorderForTesting(std::function<void(const QString& request)> recorder);

}  // namespace Sound
