#include "localport.h"

#include <QRandomGenerator>
#include <QTcpServer>

bool ListenOnTestPort(QTcpServer& server) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (server.listen(QHostAddress::LocalHost, quint16(QRandomGenerator::global()->bounded(20000, 32768))))
            return true;
    }
    return false;
}

quint16 FreeLocalPort() {
    QTcpServer probe;
    return ListenOnTestPort(probe) ? probe.serverPort() : 0;
}
