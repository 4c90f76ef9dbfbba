#include "check/checkcycle.h"

#include "check/socketerror.h"
#include "check/winsock.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "core/keyringpasswords.h"
#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <QTimer>

const QString CheckCycle::NoStartTls = QStringLiteral("Server bietet keine verschlüsselte Verbindung (STARTTLS) an");
const QString CheckCycle::CertificateRefused = QStringLiteral("Zertifikat nicht vertrauenswürdig");

namespace {
constexpr qint16 kSslTls = 2;
}  // namespace

CheckCycle::CheckCycle(QObject* parent, Intervals intervals)
    : QObject(parent),
      intervals_(intervals),
      timer1_(new QTimer(this)),
      timer2_(new QTimer(this)),
      accountLimit_(new QTimer(this)),
      soon_(new QTimer(this)),
      winsock1_(new Winsock(this)) {
    soon_->setSingleShot(true);
    connect(soon_, &QTimer::timeout, this, [this] {
        if (!CycleRunning())
            CheckNow();
    });
    timer1_->setInterval(intervals_.minuteMs);
    timer2_->setInterval(intervals_.watchdogMs);
    accountLimit_->setInterval(intervals_.accountLimitMs);
    accountLimit_->setSingleShot(true);
    connect(timer1_, &QTimer::timeout, this, &CheckCycle::Timer1_Timer);
    connect(timer2_, &QTimer::timeout, this, &CheckCycle::Timer2_Timer);
    connect(accountLimit_, &QTimer::timeout, this, &CheckCycle::Timer3_Timer);
    connect(winsock1_, &Winsock::DataArrival, this, &CheckCycle::Winsock1_DataArrival);
    connect(winsock1_, &Winsock::PeerClosed, this, &CheckCycle::Winsock1_Close);
    connect(winsock1_, &Winsock::Error, this, &CheckCycle::Winsock1_Error);
    connect(winsock1_, &Winsock::Encrypted, this, &CheckCycle::Winsock1_Encrypted);
    connect(winsock1_, &Winsock::CertificateRejected, this, &CheckCycle::Winsock1_CertificateRejected);
}

CheckCycle::~CheckCycle() = default;

void CheckCycle::SetProtocolSink(std::function<void(const QString&)> sink) { protocolSink_ = std::move(sink); }

void CheckCycle::SetAlertDispatcher(std::function<void()> dispatchAlert) { dispatchAlert_ = std::move(dispatchAlert); }

void CheckCycle::StartMonitoring() {
    CheckInProgress = 0;
    MinuteCounter = Settings.KontrollIntervall;
    StartMinuteTimer();
    Timer1_Timer();
}

void CheckCycle::StartMinuteTimer() {
    timer1_->setInterval(intervals_.minuteMs);
    timer1_->start();
}

void CheckCycle::CheckNow() {
    MinuteCounter = Settings.KontrollIntervall;
    Timer1_Timer();
}

bool CheckCycle::CycleRunning() const { return timer2_->isActive(); }

void CheckCycle::AbandonCycle() {
    soon_->stop();
    if (!CycleRunning())
        return;
    winsock1_->Close();
    SetStep(Step::Idle);
    timer2_->stop();
    timer1_->start();
}

void CheckCycle::CheckSoon(int graceMs) {
    if (!soon_->isActive())
        soon_->start(graceMs);
}

void CheckCycle::Timer1_Timer() {
    try {
        // Counted in int: at the highest interval the count would pass the 16-bit range just
        // before it is reset.
        const int counted = MinuteCounter + 1;
        MinuteCounter = qint16(qMin(counted, int(Numeric::Int16Max)));
        if (counted < Settings.KontrollIntervall)
            return;
        // Between connecting and the greeting, and from one account to the next, CheckInProgress
        // is 0; the running watchdog tells that a cycle is under way then.
        if (AccountCount() > 0 && CheckInProgress == 0 && !CycleRunning()) {
            timer1_->stop();
            timer2_->setInterval(intervals_.watchdogMs);
            timer2_->start();
            rejected_.clear();
            CurrentAccount = 1;
            ConnectAccount();
        }
        MinuteCounter = 0;
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Timer1_Timer()"), error);
    }
}

void CheckCycle::Timer2_Timer() {
    try {
        const Step stalled = step_;
        winsock1_->Close();
        SetStep(Step::Idle);
        if (!CurrentAccountExists()) {
            FinishCycle();
            return;
        }
        const QString email = Accounts.at(CurrentAccount).EMail;
        WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account ") + email);
        Protocol(QStringLiteral("TIMEOUT OCCURED, Account: ") + email);
        Protocol(QString());
        Accounts[CurrentAccount].NewMailCount = -1;
        Accounts[CurrentAccount].CheckFailure = stalled == Step::StartTls ? NoStartTls : QStringLiteral("Zeitüberschreitung");
        AdvanceCycle();
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Timer2_Timer()"), error);
    }
}

// The account limit ends an account however busy its server keeps the dialogue, as the watchdog
// ends a silent one.
void CheckCycle::Timer3_Timer() {
    if (step_ != Step::Idle)
        Timer2_Timer();
}

void CheckCycle::Winsock1_DataArrival(qint64) {
    try {
        const QByteArray block = winsock1_->GetData();
        if (block.isEmpty())
            return;
        for (const QString& piece : Imap::ProtocolPieces(block))
            Protocol(piece);

        // A shorter account list was loaded while this server was being checked: the cycle ends.
        if (!CurrentAccountExists()) {
            winsock1_->Close();
            SetStep(Step::Idle);
            FinishCycle();
            return;
        }
        if (step_ == Step::Idle)
            return;

        received_ += block.size();
        if (received_ > Imap::MaxDialogueBytes) {
            const QString email = Accounts.at(CurrentAccount).EMail;
            const QString text = QStringLiteral("Zu viele Daten vom Server (mehr als 1 MB ohne Ende des Dialogs), Account");
            FailAccount(QStringLiteral("Zu viele Daten"), text + QLatin1Char(' ') + email, text + QStringLiteral(": ") + email,
                        false);
            return;
        }

        // A line that ends the account leaves the rest of the arrival unread.
        const quint64 connection = connection_;
        for (const QByteArray& line : lines_.Add(block)) {
            ActOnLine(line);
            if (connection_ != connection || step_ == Step::Idle)
                break;
        }
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_DataArrival()"), error);
    }
}

bool CheckCycle::ConnectionEndSettled() {
    if (step_ == Step::Idle)
        return true;
    if (!CurrentAccountExists()) {
        SetStep(Step::Idle);
        FinishCycle();
        return true;
    }
    // The count was taken with EXAMINE's reply; a server that closes before answering LOGOUT keeps it.
    if (step_ == Step::Logout) {
        FinishAccount();
        return true;
    }
    return false;
}

void CheckCycle::Winsock1_Close() {
    try {
        if (ConnectionEndSettled())
            return;
        const QString email = Accounts.at(CurrentAccount).EMail;
        const QString text = QStringLiteral("Verbindung vom Server beendet, Account");
        FailAccount(QStringLiteral("Verbindung beendet"), text + QLatin1Char(' ') + email, text + QStringLiteral(": ") + email,
                    false);
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_Close()"), error);
    }
}

void CheckCycle::Winsock1_Error(int number, const QString& description) {
    try {
        WriteWinsockErrorLog(number, description);
        winsock1_->Close();
        if (ConnectionEndSettled())
            return;
        const QString email = Accounts.at(CurrentAccount).EMail;
        const QString reason = number == WinsockErrorNumber(QAbstractSocket::ConnectionRefusedError) ? QStringLiteral("Verbindung abgelehnt")
                                                                    : QStringLiteral("Verbindungsfehler");
        FailAccount(reason, reason + QStringLiteral(", Account ") + email + QStringLiteral(": ") + description,
                    reason + QStringLiteral(", Account: ") + email, false);
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_Error()"), error);
    }
}

void CheckCycle::ConnectAccount() {
    if (!CurrentAccountExists())
        throw RuntimeError::subscriptOutOfRange();
    while (PassOver(Accounts[CurrentAccount])) {
        if (CurrentAccount >= AccountCount()) {
            SetStep(Step::Idle);
            FinishCycle();
            return;
        }
        ++CurrentAccount;
    }
    const Account& account = Accounts.at(CurrentAccount);
    ++connection_;
    lines_.Clear();
    recent_ = 0;
    countingUnseen_ = false;
    loginDisabled_ = false;
    received_ = 0;
    connectedServer_ = account.Server;
    connectedPort_ = account.Port;
    connectedEncryption_ = account.Verschluesselung;
    SetStep(Step::Greeting);
    // Every account gets the full watchdog time and its own limit from its connect.
    RestartWatchdog();
    accountLimit_->start();
    if (connectedEncryption_ == kSslTls)
        winsock1_->ConnectEncrypted(account.Server, account.Port, account.Zertifikat);
    else
        winsock1_->Connect(account.Server, account.Port);
    Protocol(QStringLiteral("Connecting to ") + account.Server + QLatin1Char(':') + QString::number(account.Port));
}

bool CheckCycle::PassOver(Account& account) {
    if (account.Server.isEmpty()) {
        // Left blank by a damaged store.
        account.NewMailCount = -1;
        account.CheckFailure = QStringLiteral("Kein Server angegeben");
        Protocol(QStringLiteral("Kein Server angegeben, Account: ") + account.EMail);
        Protocol(QString());
        return true;
    }
    if (!PasswordKnown(account)) {
        // The keyring has not answered yet (it may wait for the user to unlock it): the check does
        // not wait for it. The account keeps its last result and its password is asked for again.
        Protocol(QStringLiteral("Account übersprungen, Passwort aus dem Schlüsselbund fehlt noch: ") + account.EMail);
        KeyringPasswords::Instance().FetchMissing();
        return true;
    }
    return false;
}

void CheckCycle::RestartWatchdog() { timer2_->start(); }

void CheckCycle::AdvanceCycle() {
    if (CurrentAccount < AccountCount()) {
        ++CurrentAccount;
        ConnectAccount();
    } else {
        FinishCycle();
    }
}

void CheckCycle::FinishCycle() {
    SetStep(Step::Idle);
    timer1_->start();
    timer2_->stop();
    uidState_.Flush();
    if (dispatchAlert_)
        dispatchAlert_();
}

void CheckCycle::Protocol(const QString& text) {
    if (protocolSink_)
        protocolSink_(text);
}

bool CheckCycle::CurrentAccountExists() const { return CurrentAccount >= 1 && CurrentAccount <= AccountCount(); }
