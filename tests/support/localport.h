#pragma once

#include <QtGlobal>

class QTcpServer;

// Ports for the test servers on 127.0.0.1. An account's port is a signed 16-bit number, so the
// ports lie in 20000..32767, below the system's range of ephemeral ports.
inline constexpr int FirstTestPort = 20000;
inline constexpr int LastTestPort = 32767;

// A port on 127.0.0.1 in that range where nothing listens at the moment.
quint16 FreeLocalPort();

// Lets the server listen on 127.0.0.1 at a free port in that range; false when none was found.
bool ListenOnTestPort(QTcpServer& server);
