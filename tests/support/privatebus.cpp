#include "privatebus.h"

#include <QFile>
#include <QStandardPaths>

PrivateBus::~PrivateBus() {
    daemon_.terminate();
    daemon_.waitForFinished(3000);
}

bool PrivateBus::start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (program.isEmpty() || !config.open(QIODevice::WriteOnly))
        return false;
    config.write("<busconfig><type>session</type><listen>unix:dir=" + dir_.path().toUtf8() +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                 "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    config.close();
    daemon_.start(program, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    if (!daemon_.waitForReadyRead(5000))
        return false;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return !address_.isEmpty();
}
