#pragma once

#include "check/certificatecheck.h"
#include "check/imapdialogue.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QTimer;
class Winsock;

// CheckCycle::Intervals (declared out here so that it can be a default argument of the class's own
// constructor).
struct CheckCycleIntervals {
    int minuteMs = 60000;
    int watchdogMs = 10000;
};

// The check cycle: the minute timer Timer1 starts a cycle when MinuteCounter reaches
// KontrollIntervall; the cycle checks the accounts 1..N one after another through the IMAP
// dialogue on Winsock1; the watchdog Timer2 ends an account that makes no progress, marks it
// failed (-1) and moves on. After the last account Timer1 runs again and the alert is dispatched.
// Everything runs on the event loop's thread; the handlers never overlap.
class CheckCycle : public QObject {
    Q_OBJECT
public:
    // The timers' intervals. The program uses the defaults; tests inject short ones.
    using Intervals = CheckCycleIntervals;

    explicit CheckCycle(QObject* parent = nullptr, Intervals intervals = {});
    ~CheckCycle() override;

    // Where the protocol entries go (the main window's protocol list).
    void SetProtocolSink(std::function<void(const QString& text)> sink);
    // Called at the end of every cycle, after Timer1 is on and Timer2 off. A RuntimeError it throws
    // is reported by the handler that finished the cycle.
    void SetAlertDispatcher(std::function<void()> dispatchAlert);

    // The start-up: CheckInProgress 0, MinuteCounter = KontrollIntervall, Timer1 on at one minute,
    // then one minute tick at once, so the first cycle starts now.
    void StartMonitoring();
    // Only switches Timer1 on at one minute (a start-up that failed part-way still ticks).
    void StartMinuteTimer();
    // The manual check: MinuteCounter = KontrollIntervall, then one minute tick at once. Starts
    // nothing while a cycle runs.
    void CheckNow();

    // The certificates refused during the cycle that has just finished (or is running); the list
    // starts anew with each cycle.
    const QVector<RejectedCertificate>& RejectedCertificates() const { return rejected_; }

    // The reason of an account that wanted STARTTLS and did not get it.
    static const QString NoStartTls;
    // The reason of an account whose server certificate was refused.
    static const QString CertificateRefused;

    // True from the start of a cycle until it finishes (the watchdog is on for exactly that long).
    bool CycleRunning() const;

    QTimer* Timer1() const { return timer1_; }
    QTimer* Timer2() const { return timer2_; }
    Winsock* Winsock1() const { return winsock1_; }

    // The handlers of the timers and the socket.
    void Timer1_Timer();
    void Timer2_Timer();
    void Winsock1_DataArrival(qint64 bytesTotal = 0);
    void Winsock1_Close();
    void Winsock1_Error(int number, const QString& description);
    void Winsock1_Encrypted(const QString& session);
    void Winsock1_CertificateRejected(const QSslCertificate& certificate, const QStringList& errors);

    // The steps of the cycle.
    void ConnectAccount();
    void RestartWatchdog();
    void AdvanceCycle();
    void FinishCycle();

    // 1 while the current server's dialogue is past its greeting (LOGIN sent), else 0.
    qint16 CheckInProgress = 0;
    // Minute ticks counted since the count last reached KontrollIntervall.
    qint16 MinuteCounter = 0;
    // The account (1..N) being checked.
    qint16 CurrentAccount = 0;

private:
    void Protocol(const QString& text);
    // False when a shorter account list has been loaded since the current account was connected.
    bool CurrentAccountExists() const;
    // Acts on one complete line of the dialogue; false when the account's dialogue is over.
    bool ActOnLine(const QByteArray& line);
    void Send(const QByteArray& command, const QString& entry);
    // Sends LOGIN for the current account, unless its encryption is chosen and not yet in place.
    void SendLogin();
    // Acts on one line while the answer to STARTTLS is awaited; false when the dialogue stops.
    bool ActOnStartTlsReply(const QByteArray& line);
    // Ends the current account at once as failed with this German reason and moves on.
    void FailAccount(const QString& reason, const QString& logText);

    Intervals intervals_;
    QTimer* timer1_;
    QTimer* timer2_;
    Winsock* winsock1_;
    std::function<void(const QString&)> protocolSink_;
    std::function<void()> dispatchAlert_;

    // The dialogue with the current server: lines carried across arrivals, the last recent count
    // seen, and where the socket was sent (the password goes only to that account's server).
    Imap::LineAssembler lines_;
    std::optional<qint16> recent_;
    QString connectedServer_;
    qint16 connectedPort_ = 0;
    qint16 connectedEncryption_ = 0;

    // Where an encrypted connection stands: STARTTLS asked for, or its handshake running.
    enum class TlsStage { None, StartTlsSent, Handshake };
    TlsStage tlsStage_ = TlsStage::None;
    QVector<RejectedCertificate> rejected_;
};
