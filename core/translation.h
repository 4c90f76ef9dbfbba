#pragma once

// Loads Qt's German translation, so that standard buttons read "Ja" and "Nein" and the socket's
// error descriptions are German where Qt has them. Returns false when no translation was found.
bool InstallGermanTranslation();
