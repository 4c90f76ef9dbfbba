#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A small IMAP server on 127.0.0.1 that answers as its script says, for the replies no real server
// gives on demand: silence, replies split over several arrivals, untagged lines before the tagged
// reply, odd counts, NO, garbage, a close in the middle of the dialogue.
//
// Without changes it is a friendly server: greeting, "A001 OK", "* 0 RECENT" with "A002 OK",
// "* BYE" with "A004 OK" and then it closes. Every answer is a list of chunks: each chunk is one
// write, the next follows after a short pause, so that the client sees them as separate arrivals.
class ScriptedImapServer : public QObject {
    Q_OBJECT
public:
    using Chunks = QList<QByteArray>;

    explicit ScriptedImapServer(QObject* parent = nullptr);
    ~ScriptedImapServer() override;

    // Its port on 127.0.0.1, below 32768 like every account's port.
    quint16 port() const { return server_.serverPort(); }

    // What a client gets when it connects; empty: the server never greets.
    void setGreeting(const Chunks& chunks) { greeting_ = chunks; }
    // The answer to the command with this tag ("A001", "A002", "A004"); empty: no answer.
    void setReply(const QByteArray& tag, const Chunks& chunks) { replies_[tag] = chunks; }
    // The friendly EXAMINE answer with this recent count.
    void setRecent(int recent);
    // Closes the connection after answering the command with this tag; an empty tag closes right
    // after the greeting. Replaces the close after "A004".
    void setCloseAfter(const QByteArray& tag) { closeAfter_ = tag; }
    // The pause between two chunks.
    void setChunkPauseMs(int ms) { pauseMs_ = ms; }

    // Sends bytes on every open connection now (a late greeting, for example).
    void sendToAll(const QByteArray& bytes);

    // Every command line received on any connection, in order, without CR LF.
    const QList<QByteArray>& commands() const { return commands_; }
    int connectionCount() const { return connections_; }

private:
    void onConnection();
    void onReadyRead(QTcpSocket* socket);
    void send(QTcpSocket* socket, Chunks chunks, bool closeAfter);

    QTcpServer server_;
    Chunks greeting_;
    QHash<QByteArray, Chunks> replies_;
    QByteArray closeAfter_ = "A004";
    int pauseMs_ = 30;
    QList<QByteArray> commands_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    int connections_ = 0;
};
