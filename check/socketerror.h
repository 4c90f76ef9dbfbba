#pragma once

#include <QAbstractSocket>

// The number a socket error is logged with: the Winsock number of the same failure (10061 for a
// refused connection, 11001 for an unknown host, ...), so that no failure is logged as 0, the
// number of no error. A failure Winsock has no number for gets 50000 plus Qt's number.
int WinsockErrorNumber(QAbstractSocket::SocketError error);
