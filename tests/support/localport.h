#pragma once

#include <QRandomGenerator>
#include <QTcpServer>

// Test servers listen on 127.0.0.1 at ports in 20000..32767, below the system's ephemeral ports.
// False when no free port was found.
inline bool ListenOnTestPort(QTcpServer& server) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (server.listen(QHostAddress::LocalHost, quint16(QRandomGenerator::global()->bounded(20000, 32768))))
            return true;
    }
    return false;
}

// A port where nothing listens at the moment.
inline quint16 FreeLocalPort() {
    QTcpServer probe;
    return ListenOnTestPort(probe) ? probe.serverPort() : 0;
}
