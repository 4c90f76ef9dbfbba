#pragma once

#include <QtGlobal>

// The icon a balloon shows beside its text, numbered as the Windows tray numbers its balloon icons.
enum class BalloonIcon : qint32 {
    None = 0,
    Information = 1,
    Warning = 2,
    Error = 3,
};
