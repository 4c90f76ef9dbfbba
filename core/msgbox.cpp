#include "core/msgbox.h"

#include <QMessageBox>

namespace MsgBox {
namespace {
const QString kTitle = QStringLiteral("Postfalke");
}

void Information(QWidget* parent, const QString& text) { QMessageBox::information(parent, kTitle, text); }

void Warning(QWidget* parent, const QString& text) { QMessageBox::warning(parent, kTitle, text); }

bool Question(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace MsgBox
