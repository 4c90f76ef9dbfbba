#include "check/checkcycle.h"

#include "check/winsock.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "core/runtimeerror.h"

#include <QTimer>

const QString CheckCycle::NoStartTls = QStringLiteral("Server bietet keine verschlüsselte Verbindung (STARTTLS) an");
const QString CheckCycle::CertificateRefused = QStringLiteral("Zertifikat nicht vertrauenswürdig");

namespace {
constexpr qint16 kStartTls = 1;
constexpr qint16 kSslTls = 2;
}  // namespace

CheckCycle::CheckCycle(QObject* parent, Intervals intervals)
    : QObject(parent), intervals_(intervals), timer1_(new QTimer(this)), timer2_(new QTimer(this)), winsock1_(new Winsock(this)) {
    timer1_->setInterval(intervals_.minuteMs);
    timer2_->setInterval(intervals_.watchdogMs);
    connect(timer1_, &QTimer::timeout, this, &CheckCycle::Timer1_Timer);
    connect(timer2_, &QTimer::timeout, this, &CheckCycle::Timer2_Timer);
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

void CheckCycle::Timer1_Timer() {
    try {
        // Counted in int: at the highest interval the count would pass the 16-bit range just
        // before it is reset.
        const int counted = MinuteCounter + 1;
        MinuteCounter = qint16(qMin(counted, 32767));
        if (counted < Settings.KontrollIntervall)
            return;
        // Between connecting and the greeting, and from one account to the next, CheckInProgress
        // is 0; the running watchdog tells that a cycle is under way then.
        if (AccountCount() > 0 && CheckInProgress == 0 && !CycleRunning()) {
            timer1_->stop();
            rejected_.clear();
            CurrentAccount = 1;
            ConnectAccount();
            timer2_->setInterval(intervals_.watchdogMs);
            timer2_->start();
        }
        MinuteCounter = 0;
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Timer1_Timer()"), error);
    }
}

void CheckCycle::Timer2_Timer() {
    try {
        winsock1_->Close();
        CheckInProgress = 0;
        if (!CurrentAccountExists()) {
            FinishCycle();
            return;
        }
        const QString email = Accounts.at(CurrentAccount).EMail;
        WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account ") + email);
        Protocol(QStringLiteral("TIMEOUT OCCURED, Account: ") + email);
        Protocol(QString());
        Accounts[CurrentAccount].NewMailCount = -1;
        Accounts[CurrentAccount].CheckFailure =
            tlsStage_ == TlsStage::StartTlsSent ? NoStartTls : QStringLiteral("Zeitüberschreitung");
        AdvanceCycle();
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Timer2_Timer()"), error);
    }
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
            CheckInProgress = 0;
            FinishCycle();
            return;
        }

        if (CheckInProgress == 0) {
            // The greeting; its content is not examined.
            const Account& account = Accounts.at(CurrentAccount);
            if (account.Server != connectedServer_ || account.Port != connectedPort_ ||
                account.Verschluesselung != connectedEncryption_) {
                // The list was reloaded and this slot now holds an account of another server:
                // its password must not go here. Connect to its own server instead.
                winsock1_->Close();
                ConnectAccount();
                return;
            }
            CheckInProgress = 1;
            lines_.Clear();
            if (connectedEncryption_ == kStartTls) {
                tlsStage_ = TlsStage::StartTlsSent;
                Send(QByteArrayLiteral("A000 STARTTLS\r\n"), QStringLiteral("A000 STARTTLS"));
                return;
            }
            SendLogin();
            return;
        }

        for (const QByteArray& line : lines_.Add(block)) {
            if (!(tlsStage_ == TlsStage::StartTlsSent ? ActOnStartTlsReply(line) : ActOnLine(line)))
                break;
        }
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_DataArrival()"), error);
    }
}

void CheckCycle::SendLogin() {
    const Account& account = Accounts.at(CurrentAccount);
    if (account.Server != connectedServer_ || account.Port != connectedPort_ || account.Verschluesselung != connectedEncryption_) {
        // The list was reloaded during the handshake: this password belongs to another server.
        winsock1_->Close();
        CheckInProgress = 0;
        ConnectAccount();
        return;
    }
    // The password never leaves over a connection whose chosen encryption is not in place.
    if (connectedEncryption_ != 0 && !winsock1_->IsEncrypted())
        return;
    Send(Imap::LoginCommand(account.Username, account.Password), Imap::LoginEntry(account.Username));
}

bool CheckCycle::ActOnStartTlsReply(const QByteArray& line) {
    if (!line.startsWith("A000 ") && line != "A000")
        return true;  // untagged lines before the answer
    if (line.startsWith("A000 OK")) {
        // Whatever followed the consent in plain text is dropped with the socket's unread data.
        tlsStage_ = TlsStage::Handshake;
        lines_.Clear();
        winsock1_->StartEncryption(Accounts.at(CurrentAccount).Zertifikat);
        RestartWatchdog();
        return false;
    }
    FailAccount(NoStartTls, NoStartTls + QStringLiteral(", Account ") + Accounts.at(CurrentAccount).EMail);
    return false;
}

void CheckCycle::FailAccount(const QString& reason, const QString& logText) {
    winsock1_->Close();
    CheckInProgress = 0;
    tlsStage_ = TlsStage::None;
    const QString email = Accounts.at(CurrentAccount).EMail;
    WriteErrorLog(0, QString(), logText);
    Protocol(reason + QStringLiteral(", Account: ") + email);
    Accounts[CurrentAccount].NewMailCount = -1;
    Accounts[CurrentAccount].CheckFailure = reason;
    AdvanceCycle();
}

void CheckCycle::Winsock1_Encrypted(const QString& session) {
    try {
        Protocol(session);
        if (tlsStage_ != TlsStage::Handshake)
            return;  // SSL/TLS: the greeting follows
        tlsStage_ = TlsStage::None;
        if (!CurrentAccountExists()) {
            winsock1_->Close();
            CheckInProgress = 0;
            FinishCycle();
            return;
        }
        SendLogin();
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_DataArrival()"), error);
    }
}

void CheckCycle::Winsock1_CertificateRejected(const QSslCertificate& certificate, const QStringList& errors) {
    try {
        if (!CurrentAccountExists()) {
            winsock1_->Close();
            CheckInProgress = 0;
            FinishCycle();
            return;
        }
        const Account& account = Accounts.at(CurrentAccount);
        rejected_.append({CurrentAccount, account.EMail, connectedServer_, connectedPort_, errors, certificate});
        for (const QString& error : errors)
            Protocol(error);
        FailAccount(CertificateRefused, CertificateRefused + QStringLiteral(", Account ") + account.EMail +
                                            QStringLiteral(": ") + errors.join(QStringLiteral("; ")));
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_DataArrival()"), error);
    }
}

bool CheckCycle::ActOnLine(const QByteArray& line) {
    const Imap::LineMeaning meaning = Imap::Classify(line);
    switch (meaning.kind) {
    case Imap::LineKind::LoginOk: {
        const QString mailbox = Accounts.at(CurrentAccount).Mailbox;
        recent_.reset();
        Send(Imap::ExamineCommand(mailbox), Imap::ExamineEntry(mailbox));
        break;
    }
    case Imap::LineKind::Recent:
        recent_ = meaning.recent;
        break;
    case Imap::LineKind::ExamineOk:
        if (recent_)
            Accounts[CurrentAccount].NewMailCount = *recent_;
        Accounts[CurrentAccount].CheckFailure.clear();
        Send(Imap::LogoutCommand(), Imap::LogoutEntry());
        break;
    case Imap::LineKind::LogoutOk:
        winsock1_->Close();
        CheckInProgress = 0;
        AdvanceCycle();
        return false;
    case Imap::LineKind::Other:
        break;
    }
    return true;
}

void CheckCycle::Send(const QByteArray& command, const QString& entry) {
    winsock1_->SendData(command);
    RestartWatchdog();
    Protocol(entry);
}

void CheckCycle::Winsock1_Close() { CheckInProgress = 0; }

void CheckCycle::Winsock1_Error(int number, const QString& description) {
    WriteWinsockErrorLog(number, description);
    winsock1_->Close();
    CheckInProgress = 0;
}

void CheckCycle::ConnectAccount() {
    if (!CurrentAccountExists())
        throw RuntimeError::subscriptOutOfRange();
    const Account& account = Accounts.at(CurrentAccount);
    lines_.Clear();
    recent_.reset();
    connectedServer_ = account.Server;
    connectedPort_ = account.Port;
    connectedEncryption_ = account.Verschluesselung;
    tlsStage_ = TlsStage::None;
    if (connectedEncryption_ == kSslTls)
        winsock1_->ConnectEncrypted(account.Server, account.Port, account.Zertifikat);
    else
        winsock1_->Connect(account.Server, account.Port);
    Protocol(QStringLiteral("Connecting to ") + account.Server + QLatin1Char(':') + QString::number(account.Port));
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
    timer1_->start();
    timer2_->stop();
    if (dispatchAlert_)
        dispatchAlert_();
}

void CheckCycle::Protocol(const QString& text) {
    if (protocolSink_)
        protocolSink_(text);
}

bool CheckCycle::CurrentAccountExists() const { return CurrentAccount >= 1 && CurrentAccount <= AccountCount(); }
