#pragma once

#include <QString>
#include <functional>

// The shell's "open" verb: an executable file is started as a detached process, any other path
// (a help page, a document) is opened with the desktop's default application. A path that is not
// absolute is never looked up in the working folder: it opens nothing. Failures are silent.
void ShellOpen(const QString& path);

// Opens the help start page "hilfe/start.html" of the program's folder.
void OpenHelpStartPage();

// Starts the user's e-mail program, Settings.EMailProgramm.
void StartEMailProgram();

// Replaces what ShellOpen does (the tests record the paths instead); an empty handler restores it.
void SetShellOpenHandler(std::function<void(const QString& path)> handler);
