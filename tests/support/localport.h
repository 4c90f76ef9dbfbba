#pragma once

#include <QtGlobal>

class QTcpServer;

// Test servers listen on 127.0.0.1 at ports in 20000..32767, below the system's ephemeral ports.
// A port where nothing listens at the moment.
quint16 FreeLocalPort();
// False when no free port was found.
bool ListenOnTestPort(QTcpServer& server);
