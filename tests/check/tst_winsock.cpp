#include "check/winsock.h"
#include "core/runtimeerror.h"
#include "core/translation.h"
#include "localport.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {
// A host name under .invalid that Qt rejects itself (it holds a blank), so no name server is asked.
const QString UnknownHost = QStringLiteral("unbekannter rechner.invalid");

// A port on 127.0.0.1 where nothing listens.
quint16 ClosedPort() { return FreeLocalPort(); }

int ThrownNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}
}  // namespace

class TestWinsock : public QObject {
    Q_OBJECT
    std::unique_ptr<QTcpServer> server;
    QTcpSocket* peer = nullptr;

    // Connects the socket to the test server and returns the server's side of the connection.
    void connectTo(Winsock& socket) {
        peer = nullptr;
        socket.Connect(QStringLiteral("127.0.0.1"), server->serverPort());
        QTRY_VERIFY(server->hasPendingConnections());
        peer = server->nextPendingConnection();
        QTRY_VERIFY(!socket.IsClosed());
    }

private slots:
    void init() {
        server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(QHostAddress::LocalHost));
    }
    void cleanup() { server.reset(); }

    void dataBothWaysUnchanged() {
        Winsock socket;
        QSignalSpy arrivals(&socket, &Winsock::DataArrival);
        connectTo(socket);
        QVERIFY(peer);
        // Nothing arrives before the server sends.
        QVERIFY(arrivals.isEmpty());

        peer->write("* OK ready\r\n\xfc");
        QTRY_COMPARE(arrivals.size(), 1);
        QCOMPARE(arrivals.first().first().toLongLong(), 13);
        QCOMPARE(socket.GetData(), QByteArray("* OK ready\r\n\xfc"));
        QCOMPARE(socket.GetData(), QByteArray());

        QTRY_COMPARE(peer->state(), QAbstractSocket::ConnectedState);
        socket.SendData("A001 LOGIN maria \"zwei W\xc3\xb6rter\"");
        socket.SendData("\r\n");
        QByteArray received;
        QTRY_COMPARE(received += peer->readAll(), QByteArray("A001 LOGIN maria \"zwei W\xc3\xb6rter\"\r\n"));
    }

    void peerCloseIsTheCloseEventNotAnError() {
        Winsock socket;
        QSignalSpy closed(&socket, &Winsock::PeerClosed);
        QSignalSpy errors(&socket, &Winsock::Error);
        QSignalSpy arrivals(&socket, &Winsock::DataArrival);
        connectTo(socket);
        peer->write("* BYE\r\n");
        peer->disconnectFromHost();
        QTRY_COMPARE(closed.size(), 1);
        // The data sent before the close came first.
        QCOMPARE(arrivals.size(), 1);
        QCOMPARE(socket.GetData(), QByteArray("* BYE\r\n"));
        QVERIFY(errors.isEmpty());
    }

    void closeIsAllowedInAnyStateAndRaisesNothing() {
        Winsock socket;
        QSignalSpy closed(&socket, &Winsock::PeerClosed);
        QSignalSpy errors(&socket, &Winsock::Error);
        socket.Close();  // never connected
        socket.Close();  // twice
        connectTo(socket);
        socket.Close();  // connected
        QVERIFY(socket.IsClosed());
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        // Connect again after Close.
        connectTo(socket);
        QVERIFY(!socket.IsClosed());
        socket.Close();
        QVERIFY(closed.isEmpty());
        QVERIFY(errors.isEmpty());
    }

    void operationsInTheWrongStateAreRunTimeErrors() {
        Winsock socket;
        QCOMPARE(ThrownNumber([&] { socket.SendData("A004 LOGOUT\r\n"); }), 40006);
        connectTo(socket);
        QCOMPARE(ThrownNumber([&] { socket.Connect(QStringLiteral("127.0.0.1"), server->serverPort()); }), 40020);
        socket.Close();
        QCOMPARE(ThrownNumber([&] { socket.Connect(QStringLiteral("127.0.0.1"), server->serverPort()); }), 0);
        socket.Close();
    }

    void failuresAreErrorEvents_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("refusedPort");
        QTest::addColumn<int>("number");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1") << true << int(QAbstractSocket::ConnectionRefusedError);
        QTest::newRow("unknown host") << UnknownHost << false << int(QAbstractSocket::HostNotFoundError);
    }
    void failuresAreErrorEvents() {
        QFETCH(QString, host);
        QFETCH(bool, refusedPort);
        QFETCH(int, number);
        Winsock socket;
        QSignalSpy errors(&socket, &Winsock::Error);
        socket.Connect(host, refusedPort ? ClosedPort() : 143);
        // Never from inside the call itself.
        QVERIFY(errors.isEmpty());
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.first().at(0).toInt(), number);
        QVERIFY(!errors.first().at(1).toString().isEmpty());
        socket.Close();
    }

    void noEventOfAClosedConnection() {
        Winsock socket;
        QSignalSpy errors(&socket, &Winsock::Error);
        QSignalSpy arrivals(&socket, &Winsock::DataArrival);
        socket.Connect(QStringLiteral("127.0.0.1"), ClosedPort());
        socket.Close();
        // A whole connection later, the refusal of the first one has still not been delivered.
        connectTo(socket);
        peer->write("* OK\r\n");
        QTRY_COMPARE(arrivals.size(), 1);
        QVERIFY(errors.isEmpty());
    }

    // Last: the translation stays installed for the rest of the process.
    void descriptionsAreGermanWithTheTranslation_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("description");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1") << QStringLiteral("Verbindung verweigert");
        QTest::newRow("unknown host") << UnknownHost << QStringLiteral("Rechner konnte nicht gefunden werden");
    }
    void descriptionsAreGermanWithTheTranslation() {
        QFETCH(QString, host);
        QFETCH(QString, description);
        QVERIFY(InstallGermanTranslation());
        Winsock socket;
        QSignalSpy errors(&socket, &Winsock::Error);
        socket.Connect(host, host == UnknownHost ? 143 : ClosedPort());
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(errors.first().at(1).toString(), description);
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
