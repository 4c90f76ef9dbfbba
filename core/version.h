#pragma once

#include <QString>

// The program's version as "major.minor.revision", set in the build.
inline QString VersionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(POSTFALKE_VERSION_MAJOR)
        .arg(POSTFALKE_VERSION_MINOR)
        .arg(POSTFALKE_VERSION_PATCH);
}
