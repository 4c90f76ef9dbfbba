#include "check/checkcycle.h"

#include "check/winsock.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "core/keyringpasswords.h"
#include "core/numeric.h"
#include "core/runtimeerror.h"

#include <QTimer>

// The dialogue with one server, step by step: each reply is acted on only when it answers the command
// in flight; the cycle around it (timers, socket events, the order of the accounts) is checkcycle.cpp.

namespace {
constexpr qint16 kStartTls = 1;
constexpr qint16 kSslTls = 2;
}  // namespace

void CheckCycle::ActOnLine(const QByteArray& line) {
    const Imap::LineMeaning meaning = Imap::Classify(line);
    if (countingUnseen_ && (step_ == Step::Examine || step_ == Step::Search))
        unseen_.Take(line);
    switch (step_) {
    case Step::Greeting: OnGreeting(meaning); break;
    case Step::StartTls: OnStartTlsReply(meaning); break;
    case Step::Handshake: break;
    case Step::Login: OnLoginReply(meaning); break;
    case Step::Examine: OnExamineReply(meaning); break;
    case Step::Search: OnSearchReply(meaning); break;
    case Step::Logout: OnLogoutReply(meaning); break;
    case Step::Idle: break;
    }
}

void CheckCycle::OnGreeting(const Imap::LineMeaning& meaning) {
    // Capabilities the server announces before the greeting is answered.
    loginDisabled_ = loginDisabled_ || meaning.loginDisabled;
    if (meaning.kind == Imap::LineKind::Bye) {
        FailAccount(QStringLiteral("Verbindung abgelehnt"), meaning.text, false);
        return;
    }
    if (meaning.kind != Imap::LineKind::Greeting)
        return;
    const Account& account = Accounts.at(CurrentAccount);
    if (account.Server != connectedServer_ || account.Port != connectedPort_ || account.Verschluesselung != connectedEncryption_ ||
        !PasswordKnown(account)) {
        // The list was reloaded and this slot now holds an account of another server (its
        // password must not go here) or one whose password the keyring has not given yet (no
        // LOGIN without it). Start the account anew.
        winsock1_->Close();
        ConnectAccount();
        return;
    }
    if (connectedEncryption_ == kStartTls) {
        // A server that logs in before TLS cannot be asked for it: the dialogue would stay plain.
        if (meaning.preauth) {
            FailAccount(NoStartTls, meaning.text, true);
            return;
        }
        // LOGINDISABLED before TLS is what such a server says; what counts comes after it.
        loginDisabled_ = false;
        Send(Step::StartTls, QByteArrayLiteral("A000 STARTTLS\r\n"), QStringLiteral("A000 STARTTLS"));
        return;
    }
    if (meaning.preauth) {
        SendExamine();
        return;
    }
    if (loginDisabled_) {
        const QString text = QStringLiteral("Der Server nimmt die Anmeldung nur über eine verschlüsselte Verbindung an, Account");
        FailAccount(QStringLiteral("Anmeldung nur verschlüsselt"), text + QLatin1Char(' ') + account.EMail,
                    text + QStringLiteral(": ") + account.EMail, true);
        return;
    }
    SendLogin();
}

void CheckCycle::OnStartTlsReply(const Imap::LineMeaning& meaning) {
    if (meaning.kind != Imap::LineKind::Tagged || meaning.tag != Imap::StartTlsTag)
        return;
    if (meaning.status != Imap::Status::Ok) {
        FailAccount(NoStartTls, meaning.text, true);
        return;
    }
    // Whatever followed the consent in plain text is dropped: the socket's unread data here, the
    // lines after this one in the same arrival by the Handshake step, which acts on no line.
    SetStep(Step::Handshake);
    lines_.Clear();
    winsock1_->StartEncryption(Accounts.at(CurrentAccount).Zertifikat);
    RestartWatchdog();
}

void CheckCycle::Winsock1_Encrypted(const QString& session) {
    try {
        Protocol(session);
        if (step_ != Step::Handshake)
            return;  // SSL/TLS: the greeting follows
        if (!CurrentAccountExists()) {
            winsock1_->Close();
            SetStep(Step::Idle);
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
        if (step_ == Step::Idle)
            return;
        if (!CurrentAccountExists()) {
            winsock1_->Close();
            SetStep(Step::Idle);
            FinishCycle();
            return;
        }
        const QString email = Accounts.at(CurrentAccount).EMail;
        rejected_.append({CurrentAccount, email, connectedServer_, connectedPort_, errors, certificate});
        for (const QString& error : errors)
            Protocol(error);
        FailAccount(CertificateRefused,
                    CertificateRefused + QStringLiteral(", Account ") + email + QStringLiteral(": ") + errors.join(QStringLiteral("; ")),
                    CertificateRefused + QStringLiteral(", Account: ") + email, false);
    } catch (const RuntimeError& error) {
        ReportError(QStringLiteral("Winsock1_DataArrival()"), error);
    }
}

void CheckCycle::OnLoginReply(const Imap::LineMeaning& meaning) {
    if (meaning.kind != Imap::LineKind::Tagged || meaning.tag != Imap::LoginTag)
        return;
    if (meaning.status == Imap::Status::Ok)
        SendExamine();
    else
        FailAccount(QStringLiteral("Anmeldung abgelehnt"), meaning.text, true);
}

void CheckCycle::OnExamineReply(const Imap::LineMeaning& meaning) {
    if (meaning.kind == Imap::LineKind::Recent) {
        recent_ = meaning.recent;
        return;
    }
    if (meaning.kind != Imap::LineKind::Tagged || meaning.tag != Imap::ExamineTag)
        return;
    if (meaning.status != Imap::Status::Ok) {
        FailAccount(QStringLiteral("Postfach abgelehnt"), meaning.text, true);
        return;
    }
    if (countingUnseen_) {
        if (const std::optional<quint32> from = unseen_.AfterExamine()) {
            Send(Step::Search, Imap::UnseenSinceCommand(*from), Imap::UnseenSinceEntry(*from));
            return;
        }
        recent_ = 0;  // the mailbox is learnt now; from the next check on its unseen mail counts
    }
    // The count belongs to this check: an EXAMINE without a RECENT line gives 0.
    Accounts[CurrentAccount].NewMailCount = recent_;
    Accounts[CurrentAccount].CheckFailure.clear();
    SendLogout();
}

void CheckCycle::OnSearchReply(const Imap::LineMeaning& meaning) {
    if (meaning.kind != Imap::LineKind::Tagged || meaning.tag != Imap::SearchTag)
        return;
    if (meaning.status != Imap::Status::Ok) {
        FailAccount(QStringLiteral("Suche abgelehnt"), meaning.text, true);
        return;
    }
    Accounts[CurrentAccount].NewMailCount = unseen_.Count();
    Accounts[CurrentAccount].CheckFailure.clear();
    SendLogout();
}

void CheckCycle::OnLogoutReply(const Imap::LineMeaning& meaning) {
    if (meaning.kind == Imap::LineKind::Tagged && meaning.tag == Imap::LogoutTag)
        FinishAccount();
}

void CheckCycle::SendLogin() {
    const Account& account = Accounts.at(CurrentAccount);
    if (account.Server != connectedServer_ || account.Port != connectedPort_ || account.Verschluesselung != connectedEncryption_) {
        // The list was reloaded during the handshake: this password belongs to another server.
        winsock1_->Close();
        ConnectAccount();
        return;
    }
    // The password never leaves over a connection whose chosen encryption is not in place.
    if (connectedEncryption_ != 0 && !winsock1_->IsEncrypted())
        return;
    Send(Step::Login, Imap::LoginCommand(account.Username, account.Password), Imap::LoginEntry(account.Username));
}

void CheckCycle::SendExamine() {
    const Account& account = Accounts.at(CurrentAccount);
    const QString mailbox = account.Mailbox;
    recent_ = 0;
    countingUnseen_ = account.Zaehlweise == 1;
    if (countingUnseen_)
        unseen_.Begin(connectedServer_, account.Username, mailbox);
    Send(Step::Examine, Imap::ExamineCommand(mailbox), Imap::ExamineEntry(mailbox));
}

void CheckCycle::SendLogout() { Send(Step::Logout, Imap::LogoutCommand(), Imap::LogoutEntry()); }

void CheckCycle::Send(Step step, const QByteArray& command, const QString& entry) {
    SetStep(step);
    winsock1_->SendData(command);
    RestartWatchdog();
    Protocol(entry);
}

void CheckCycle::SetStep(Step step) {
    step_ = step;
    CheckInProgress = (step == Step::Idle || step == Step::Greeting) ? 0 : 1;
    if (step == Step::Idle)
        accountLimit_->stop();
}

void CheckCycle::FinishAccount() {
    // The count stands: what it was counted from is remembered for the next check.
    if (countingUnseen_)
        unseen_.Commit();
    countingUnseen_ = false;
    winsock1_->Close();
    SetStep(Step::Idle);
    AdvanceCycle();
}

void CheckCycle::FailAccount(const QString& reason, const QByteArray& serverText, bool sayLogout) {
    const QString email = Accounts.at(CurrentAccount).EMail;
    FailAccount(reason, reason + QStringLiteral(", Account ") + email + QStringLiteral(": ") + Imap::ServerText(serverText),
                reason + QStringLiteral(", Account: ") + email, sayLogout);
}

void CheckCycle::FailAccount(const QString& reason, const QString& logText, const QString& protocolText, bool sayLogout) {
    if (sayLogout && !winsock1_->IsClosed()) {
        try {
            winsock1_->SendData(Imap::LogoutCommand());
            Protocol(Imap::LogoutEntry());
        } catch (const RuntimeError&) {
            // Not connected after all: there is no one to say goodbye to.
        }
    }
    winsock1_->Close();
    SetStep(Step::Idle);
    WriteErrorLog(0, QString(), logText);
    Protocol(protocolText);
    Protocol(QString());
    Accounts[CurrentAccount].NewMailCount = -1;
    Accounts[CurrentAccount].CheckFailure = reason;
    AdvanceCycle();
}
