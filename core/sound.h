#pragma once

#include <QString>
#include <functional>

// The program's sounds: the system beep and wave files. A wave file is given by its absolute path;
// any other path is never looked up in the working folder and counts as a file that cannot be played.
namespace Sound {

// The system beep.
void Beep();

// Plays a wave file in the background and returns at once; the program never waits for it. A
// machine without a sound device plays nothing and reports nothing.
void PlayAsync(const QString& path);

// Plays a wave file and returns when it has finished. Meanwhile timers and sockets keep being
// served (a local event loop that holds back mouse and keyboard input until the end), so checks go
// on while the sound plays. A file that cannot be played gives the system beep instead. The wait
// for the decoded file is bounded (4 s plus a fifth of the length at most), and the wait for the
// end of the sound never outlasts the length the file's header gives plus SyncMarginMs(): without a
// sound server Qt reports the sound as playing for ever.
void PlaySync(const QString& path);

// The playing part of PlaySync, without the recorder and the beep: plays the file and waits as
// PlaySync does; false when the file cannot be played.
bool PlayAndWait(const QString& path);

// The playing time of a wave file in milliseconds, rounded up, from its RIFF header (the "fmt "
// chunk's byte rate and the "data" chunk's size, cut to the bytes the file really holds); -1 when
// the file cannot be read or is no wave file.
int WaveDurationMs(const QString& path);

// How much longer than the file's length PlaySync waits for the end of the sound (start-up latency
// of the sound server).
int SyncMarginMs();
void SetSyncMarginForTesting(int milliseconds);  // a negative value restores the default

// What the tests put in place of the real sounds: every request is handed to the recorder as
// "beep", "async:" + path or "sync:" + path; an empty recorder restores the real sounds.
void SetRecorderForTesting(std::function<void(const QString& request)> recorder);

}  // namespace Sound
