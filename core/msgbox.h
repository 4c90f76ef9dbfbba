#pragma once

#include <QString>

class QWidget;

// The program's message boxes, all titled "Postfalke". Line breaks in texts are CR LF.
namespace MsgBox {

// Information icon, OK button.
void Information(QWidget* parent, const QString& text);
// Exclamation (warning) icon, OK button.
void Warning(QWidget* parent, const QString& text);
// Question icon, buttons "Ja" and "Nein"; true on "Ja".
bool Question(QWidget* parent, const QString& text);

}  // namespace MsgBox
