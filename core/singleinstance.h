#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One monitor per user: the first start listens on a per-user local socket; a later start finds it
// there, asks it to show its main window, waits for its answer and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        First,         // no other instance: this one runs (and listens, where it could)
        Running,       // another instance answered and shows its window: end quietly
        NotAnswering,  // another instance holds the name but does not answer: say so and end
    };

    // The per-user name: the program's socket in a folder that only the user can write (the
    // runtime folder, else a private folder of the user's own, created 0700 and checked for its
    // owner). Empty when there is no such folder; the program then runs without the guard.
    static QString DefaultServerName();

    // The message shown when the running instance does not answer.
    static QString NotAnsweringText();

    explicit SingleInstance(QObject* parent = nullptr);
    // With another server name; for the tests.
    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides whether this start runs. A name left behind by an ended run is taken over, but only
    // a socket of the user's own is ever asked or removed: one of another user is left alone and
    // this start runs without the guard. Ask once.
    Outcome Start();
    // True when this start should end (another instance runs, answering or not).
    bool AlreadyRunning() { return Start() != Outcome::First; }

    bool IsListening() const;
    QString ServerName() const { return serverName_; }

    // How long a start waits for the running instance's answer (a few seconds by default).
    void SetAnswerTimeout(int milliseconds) { answerTimeoutMs_ = milliseconds; }

signals:
    // A later start asked this one to show its main window.
    void ShowRequested();

private:
    enum class Ask { Answered, Absent, Silent, Foreign };
    Ask AskRunningInstance();
    bool Listen();
    void OnNewConnection();

    QString serverName_;
    QLocalServer* server_ = nullptr;
    int answerTimeoutMs_;
};
