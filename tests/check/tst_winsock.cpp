#include "check/winsock.h"
#include "core/runtimeerror.h"
#include "core/translation.h"
#include "localport.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// A host name Qt rejects itself (it holds a blank), so no name server is asked.
const QString UnknownHost = QStringLiteral("unbekannter rechner.invalid");

class TestWinsock : public QObject {
    Q_OBJECT
    QTcpServer server;

    // Connects the socket to the test server; returns the server's side of the connection.
    QTcpSocket* connectTo(Winsock& socket) {
        socket.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        const bool up = QTest::qWaitFor([&] { return server.hasPendingConnections() && !socket.IsClosed(); });
        return up ? server.nextPendingConnection() : nullptr;
    }

private slots:
    void initTestCase() { QVERIFY(server.listen(QHostAddress::LocalHost)); }

    void closeIsAllowedInAnyStateAndRaisesNothing() {
        Winsock socket;
        QSignalSpy closed(&socket, &Winsock::PeerClosed);
        QSignalSpy errors(&socket, &Winsock::Error);
        socket.Close();  // never connected
        socket.Close();  // twice
        QTcpSocket* peer = connectTo(socket);
        QVERIFY(peer);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, socket.Connect(QStringLiteral("127.0.0.1"), server.serverPort()));  // 40020
        socket.Close();  // connected
        QVERIFY(socket.IsClosed());
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, socket.SendData("A004 LOGOUT\r\n"));  // 40006
        socket.Connect(QStringLiteral("127.0.0.1"), FreeLocalPort());
        socket.Close();  // while connecting
        // A whole connection later, the refusal of the closed one has still not been delivered.
        QVERIFY(connectTo(socket));
        socket.Close();
        QVERIFY(closed.isEmpty());
        QVERIFY(errors.isEmpty());
    }

    void germanErrorDescriptions_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::newRow("refused") << "127.0.0.1" << 10061 << "Verbindung verweigert";
        QTest::newRow("unknown host") << UnknownHost << 11001 << "Rechner konnte nicht gefunden werden";
    }
    void germanErrorDescriptions() {
        QFETCH(QString, host);
        QFETCH(int, number);
        QFETCH(QString, description);
        QVERIFY(InstallGermanTranslation());
        Winsock socket;
        QSignalSpy errors(&socket, &Winsock::Error);
        socket.Connect(host, host == UnknownHost ? 143 : FreeLocalPort());
        QVERIFY(errors.isEmpty());  // never from inside the call itself
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.first(), (QVariantList{number, description}));
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
