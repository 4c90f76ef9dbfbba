#pragma once

#include <QString>
#include <functional>

// The shell's "open" verb: an executable file is started as a detached process, any other path
// (a help page, a document) is opened with the desktop's default application. A path that is not
// absolute is never looked up in the working folder: it opens nothing. Failures are silent.
void ShellOpen(const QString& path);

// Opens the help start page "hilfe/start.html" of the program's folder.
void OpenHelpStartPage();

// Starts the user's e-mail program, Settings.EMailProgramm; where that names no program here, the
// desktop's mail client (see SetDesktopMailClientStarter).
void StartEMailProgram();

// True when an e-mail program setting names nothing to start on this system: empty, or the Windows
// default path where that file does not exist.
bool NamesNoEMailProgram(const QString& setting);
// What StartEMailProgram does where the setting names no program (the program's wiring starts the
// desktop's mail client); empty: the shell's "open" as always.
void SetDesktopMailClientStarter(std::function<void()> starter);

// Replaces what ShellOpen does (the tests record the paths instead); an empty handler restores it.
void SetShellOpenHandler(std::function<void(const QString& path)> handler);
