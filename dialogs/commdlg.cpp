#include "dialogs/commdlg.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

namespace CommDlg {
namespace {
// Qt lists the files of a name filter by the space-separated patterns in its last parentheses.
QString QtFilter(const QString& description, const QString& patterns) {
    QStringList qtPatterns;
    for (QString p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        // For the common dialog "*.*" is every file; for Qt it would be only names with a dot.
        if (p == QLatin1String("*.*"))
            p = QStringLiteral("*");
        if (!p.isEmpty() && !qtPatterns.contains(p))
            qtPatterns << p;
    }
    if (qtPatterns.isEmpty())
        qtPatterns << QStringLiteral("*");
    const QString shown = description.trimmed().isEmpty() ? patterns : description;
    return shown + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString PatternOfDescription(const QString& description) {
    static const QRegularExpression lastParentheses(QStringLiteral("\\(([^()]*)\\)[^()]*$"));
    const QRegularExpressionMatch m = lastParentheses.match(description);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The blanks around a text, not other white space.
QString TrimBlanks(const QString& text) {
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
}  // namespace

qintptr WindowHandle(QWidget* window) { return window ? qintptr(window->window()->winId()) : 0; }

QStringList NameFilters(const QString& filter) {
    QStringList parts = filter.split(QChar(0));
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList result;
    for (int i = 0; i < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        const QString patterns = i + 1 < parts.size() ? parts.at(i + 1) : PatternOfDescription(description);
        result << QtFilter(description, patterns);
    }
    if (result.isEmpty())
        result << QtFilter(QString(), QStringLiteral("*"));
    return result;
}

}  // namespace CommDlg

QString ShowFileDialog(QString& initialFolder, const QString& filter, qint16 filterIndex,
                       const QString& defaultExtension, QString& fileName, const QString& title,
                       qintptr& ownerWindow, bool openMode, qint32& flags) {
    using namespace CommDlg;
    if (initialFolder.isEmpty())
        initialFolder = QDir::toNativeSeparators(QDir::currentPath());
    if (ownerWindow == ActiveWindow)
        ownerWindow = WindowHandle(QApplication::activeWindow());
    const QString shownName = fileName.left(fileName.indexOf(QChar(0)));
    if (fileName.size() < FileBufferLength)
        fileName += QString(FileBufferLength - fileName.size(), QChar(0));

    QWidget* owner = ownerWindow ? QWidget::find(WId(ownerWindow)) : nullptr;
    QPointer<QFileDialog> dialog = new QFileDialog(owner, title);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // The entries show the caller's descriptions; the patterns Qt filters by stay hidden.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(openMode ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (openMode && (flags & FileMustExist))
        dialog->setFileMode(QFileDialog::ExistingFile);
    else
        dialog->setFileMode(QFileDialog::AnyFile);
    if (!openMode && !(flags & OverwritePrompt))
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDefaultSuffix(defaultExtension);
    const QStringList nameFilters = NameFilters(filter);
    dialog->setNameFilters(nameFilters);
    if (filterIndex >= 1 && filterIndex <= nameFilters.size())
        dialog->selectNameFilter(nameFilters.at(filterIndex - 1));
    dialog->setDirectory(initialFolder);
    if (!shownName.isEmpty())
        dialog->selectFile(shownName);

    const bool accepted = dialog->exec() == QDialog::Accepted;
    // The owner may have been closed meanwhile, and the dialog with it.
    if (!dialog)
        return Cancelled();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    if (!accepted || files.isEmpty())
        return Cancelled();

    qint32 resultFlags = flags & ~ExtensionDifferent;
    if (!defaultExtension.isEmpty() &&
        QFileInfo(files.first()).suffix().compare(defaultExtension, Qt::CaseInsensitive) != 0)
        resultFlags |= ExtensionDifferent;
    flags = resultFlags;

    return TrimBlanks(QDir::toNativeSeparators(files.first()));
}
