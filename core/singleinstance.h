#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One monitor per user: the first start listens on a per-user local socket; a later start finds it
// there, asks it to show its main window and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The per-user name (the program's socket in the user's runtime folder where there is one).
    static QString DefaultServerName();

    explicit SingleInstance(QObject* parent = nullptr);
    // With another server name; for the tests.
    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when the program already runs for this user; the running one has then been asked to
    // show its main window, and this start should end. False when this is the first start: it
    // listens from now on and emits ShowRequested for every later start. Ask once.
    bool AlreadyRunning();

    bool IsListening() const;
    QString ServerName() const { return serverName_; }

signals:
    // A later start asked this one to show its main window.
    void ShowRequested();

private:
    bool AskRunningInstance();
    bool Listen();
    void OnNewConnection();

    QString serverName_;
    QLocalServer* server_ = nullptr;
};
