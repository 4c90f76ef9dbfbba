#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QWidget;

// The file chooser: the dialog for opening or saving a file, taking the parameters of a Windows
// common dialog request (folder, filter, default extension, name, title, owner, flags). It is
// always Qt's own file dialog, so filters and the default extension behave alike on every desktop.
namespace CommDlg {

// Flags of the request (the common dialog's OFN_ values). The chooser honours OverwritePrompt and
// FileMustExist, and reports ExtensionDifferent back; the others are kept.
enum Flag : qint32 {
    ReadOnly = 0x1,
    OverwritePrompt = 0x2,
    HideReadOnly = 0x4,
    ExtensionDifferent = 0x400,
    PathMustExist = 0x800,
    FileMustExist = 0x1000,
};

// The owner value that stands for the active window.
constexpr qintptr ActiveWindow = -1;
// The length the file name parameter is padded to with NUL characters.
constexpr int FileBufferLength = 255;
// The result for a cancelled or failed dialog.
inline QString Cancelled() { return QStringLiteral("-"); }

// The handle of a window as the owner parameter takes it; 0 for none.
qintptr WindowHandle(QWidget* window);

// The Qt name filters for a filter of the common dialog: pairs of description and pattern list
// separated by NUL characters ("Wave\0*.wav;*.wave\0"), or a description only, whose pattern is then
// the text in its last parentheses ("wav-Dateien (*.wav)"); without parentheses every file is
// listed. "*.*" names every file, with or without an extension. Each entry shows its description.
QStringList NameFilters(const QString& filter);

}  // namespace CommDlg

// Shows the file dialog and blocks until the user closes it. Returns the chosen path (in the
// platform's notation, blanks around it removed), or "-" when the user cancels.
//  initialFolder   in/out: the folder shown first; an empty one becomes the current directory,
//                  which the caller's variable then receives
//  filter          the type filter, see CommDlg::NameFilters
//  filterIndex     the entry selected first, 1 = first
//  defaultExtension appended (after a dot) to a name typed without extension; empty for none
//  fileName        in/out: the name shown first; the caller's variable is left padded with NUL
//                  characters to 255 characters
//  title           the window title
//  ownerWindow     in/out: the owner's handle (CommDlg::WindowHandle); CommDlg::ActiveWindow (-1)
//                  stands for the active window, whose handle the caller's variable then receives
//  openMode        true: open a file; false: save a file
//  flags           in/out: CommDlg::Flag values; after a successful choice the caller's variable
//                  receives the flags as the dialog left them
QString ShowFileDialog(QString& initialFolder, const QString& filter, qint16 filterIndex,
                       const QString& defaultExtension, QString& fileName, const QString& title,
                       qintptr& ownerWindow, bool openMode, qint32& flags);
