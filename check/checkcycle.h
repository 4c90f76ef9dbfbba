#pragma once

#include "check/certificatecheck.h"
#include "check/imapdialogue.h"
#include "check/uidstate.h"
#include "check/unseencount.h"

#include <QObject>
#include <QString>
#include <functional>

class QTimer;
class Winsock;
struct Account;

// CheckCycle::Intervals (declared out here so that it can be a default argument of the class's own
// constructor).
struct CheckCycleIntervals {
    int minuteMs = 60000;
    int watchdogMs = 10000;      // without progress (a connect or a command sent)
    int accountLimitMs = 60000;  // from an account's connect, whatever the server sends
};

// The check cycle: the minute timer Timer1 starts a cycle when MinuteCounter reaches
// KontrollIntervall; the cycle checks the accounts 1..N one after another through the IMAP
// dialogue on Winsock1. The dialogue goes step by step (greeting, LOGIN, EXAMINE, LOGOUT); each
// command goes out once, after the reply it waits for, and only the tagged reply to the command
// in flight moves it on. A refusal, a closed connection or a server that sends too much ends the
// account at once as failed (-1, with CheckFailure saying why); the watchdog Timer2 ends one that
// makes no progress, and no account takes longer than the account limit. An account whose password
// the keyring has not given yet is left out of the cycle, not failed. After the last account
// Timer1 runs again and the alert is dispatched. Everything runs on the event loop's thread; the
// handlers never overlap.
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

    // The reason of an account that asked for STARTTLS and did not get it.
    static const QString NoStartTls;
    // The reason of an account whose server certificate was refused.
    static const QString CertificateRefused;

    // True from the start of a cycle until it finishes (the watchdog is on for exactly that long).
    bool CycleRunning() const;

    // Ends a running cycle at once without judging it, as when the computer goes to sleep: the
    // socket closes, the unfinished account keeps the count of its last check, nothing is logged,
    // no alert runs, and Timer1 counts again. A check still due from CheckSoon is dropped.
    void AbandonCycle();
    // Checks after graceMs (the network needs a moment after waking), unless a cycle is running by
    // then. A call while such a check is due does not put it off.
    void CheckSoon(int graceMs);

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

    // Where the dialogue with the current server stands: the command in flight.
    enum class Step {
        Idle,      // no connection
        Greeting,  // connecting (and with SSL/TLS the handshake); waiting for the server's greeting
        StartTls,  // STARTTLS sent (accounts that ask for it)
        Handshake, // the server agreed to STARTTLS; the TLS handshake runs
        Login,     // LOGIN sent
        Examine,   // EXAMINE sent; RECENT lines count until its tagged reply
        Search,    // UID SEARCH sent (accounts that count unseen mail since the last check)
        Logout,    // LOGOUT sent; the count is taken
    };
    Step CurrentStep() const { return step_; }

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
    // True when the account is not connected in this cycle: one without a server fails, one still
    // waiting for its password from the keyring is left out. Writes the protocol lines.
    bool PassOver(Account& account);
    // Acts on one complete line as the current step expects it.
    void ActOnLine(const QByteArray& line);
    // One function per step: what the reply to the command in flight does.
    void OnGreeting(const Imap::LineMeaning& meaning);
    void OnStartTlsReply(const Imap::LineMeaning& meaning);
    void OnLoginReply(const Imap::LineMeaning& meaning);
    void OnExamineReply(const Imap::LineMeaning& meaning);
    void OnSearchReply(const Imap::LineMeaning& meaning);
    void OnLogoutReply(const Imap::LineMeaning& meaning);
    // The commands, each sent once as the dialogue reaches its step. LOGIN goes out only to the
    // server the socket was sent to, and only encrypted when the account asks for encryption.
    void SendLogin();
    void SendExamine();
    void SendLogout();
    void Send(Step step, const QByteArray& command, const QString& entry);
    void SetStep(Step step);

    // Ends the current account as checked and moves on.
    void FinishAccount();
    // The connection ended outside the dialogue: true when that settles the account (no account being
    // checked, the list became shorter, or LOGOUT was already sent); false when the account fails.
    bool ConnectionEndSettled();
    // Ends the current account as failed: reason is the short German CheckFailure, logText the
    // error.log context and protocolText the protocol entry. LOGOUT goes out first when the
    // dialogue is past its greeting and still connected.
    void FailAccount(const QString& reason, const QString& logText, const QString& protocolText, bool sayLogout);
    void FailAccount(const QString& reason, const QByteArray& serverText, bool sayLogout);
    void Timer3_Timer();

    Intervals intervals_;
    QTimer* timer1_;
    QTimer* timer2_;
    QTimer* accountLimit_;
    QTimer* soon_;  // single shot: the check of CheckSoon
    Winsock* winsock1_;
    std::function<void(const QString&)> protocolSink_;
    std::function<void()> dispatchAlert_;

    // The dialogue with the current server: its step, lines carried across arrivals, the recent
    // count seen during EXAMINE, the bytes received, a count of connections (a line read after
    // the account ended is not acted on) and where the socket was sent (the password goes only
    // to that account's server).
    Step step_ = Step::Idle;
    Imap::LineAssembler lines_;
    qint16 recent_ = 0;
    bool loginDisabled_ = false;
    qint64 received_ = 0;
    quint64 connection_ = 0;
    QString connectedServer_;
    quint16 connectedPort_ = 0;
    qint16 connectedEncryption_ = 0;
    QVector<RejectedCertificate> rejected_;

    // Accounts that count unseen mail since the last check: what is remembered of their mailboxes,
    // and the count of the current check (the way is fixed when EXAMINE goes out).
    UidState uidState_;
    UnseenCount unseen_{uidState_};
    bool countingUnseen_ = false;
};
