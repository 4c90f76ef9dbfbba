#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A small IMAP server on 127.0.0.1 that answers as its script says. Unchanged it is friendly:
// greeting, "A001 OK", "* 0 RECENT" with "A002 OK", "* BYE" with "A004 OK", then close. Every
// answer is a list of chunks; each chunk is one write, the next follows after a short pause.
class ScriptedImapServer : public QObject {
    Q_OBJECT
public:
    using Chunks = QList<QByteArray>;

    explicit ScriptedImapServer(QObject* parent = nullptr);
    ~ScriptedImapServer() override;

    quint16 port() const { return server_.serverPort(); }
    // What a client gets when it connects; empty: the server never greets.
    void setGreeting(const Chunks& chunks) { greeting_ = chunks; }
    // The answer to the command with this tag; empty: no answer.
    void setReply(const QByteArray& tag, const Chunks& chunks) { replies_[tag] = chunks; }
    // The friendly EXAMINE answer with this recent count.
    void setRecent(int recent);
    // Closes after answering the command with this tag (empty: right after the greeting).
    void setCloseAfter(const QByteArray& tag) { closeAfter_ = tag; }
    // Sends bytes on every open connection now.
    void sendToAll(const QByteArray& bytes);

    // Every command line received, in order, without CR LF.
    const QList<QByteArray>& commands() const { return commands_; }
    int connectionCount() const { return connections_; }

private:
    void onConnection();
    void send(QTcpSocket* socket, Chunks chunks, bool closeAfter);

    QTcpServer server_;
    Chunks greeting_{"* OK [CAPABILITY IMAP4rev1] Scripted server ready.\r\n"};
    QHash<QByteArray, Chunks> replies_;
    QByteArray closeAfter_ = "A004";
    QList<QByteArray> commands_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    int connections_ = 0;
};
