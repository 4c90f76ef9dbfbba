#pragma once

#include <QString>

// Where the program finds its files and writes its logs.
namespace Paths {

// The folder that holds the executable (help pages, logo and wave file lie there).
QString ProgramFolder();

// The folder of "error.log" and "winsock_error.log": the program's folder where it is writable,
// else the per-user data folder (an installed program's folder belongs to root).
QString LogFolder();

// The per-user data folder (~/.local/share/Postfalke/Postfalke on Linux); not created here.
QString DataFolder();

// The help start page "hilfe/start.html" in the program's folder.
QString HelpStartPage();

// Seams for the tests; an empty path restores the default.
void SetProgramFolderForTesting(const QString& folder);
void SetLogFolderForTesting(const QString& folder);
void SetDataFolderForTesting(const QString& folder);

}  // namespace Paths
