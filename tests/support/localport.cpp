#include "localport.h"

#include <QRandomGenerator>
#include <QTcpServer>

bool ListenOnTestPort(QTcpServer& server) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(QRandomGenerator::global()->bounded(FirstTestPort, LastTestPort + 1));
        if (server.listen(QHostAddress::LocalHost, port))
            return true;
    }
    return false;
}

quint16 FreeLocalPort() {
    QTcpServer probe;
    return ListenOnTestPort(probe) ? probe.serverPort() : 0;
}
