#pragma once

#include <QString>
#include <QTime>

// The time of day as the lists show it: the system's time format with hours, minutes and seconds
// (for example 21:11:49), without a date or a time zone.
QString TimeOfDayText(const QTime& time = QTime::currentTime());
