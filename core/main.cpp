#include "core/translation.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Postfalke"));
    QApplication::setOrganizationName(QStringLiteral("Postfalke"));
    InstallGermanTranslation();
    return 0;
}
