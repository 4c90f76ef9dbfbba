#pragma once

#include "check/certificatecheck.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Zertifikat prüfen": a server certificate that a check refused, with what is wrong with it. The
// user either trusts exactly this certificate for the account from now on, or leaves it refused.
// The window deletes itself when it closes and does not block the program.
class formZertifikat : public QDialog {
    Q_OBJECT
public:
    explicit formZertifikat(const RejectedCertificate& rejected, QWidget* parent = nullptr);

    QFrame* Shape1;
    QLabel* Label1;
    QPlainTextEdit* Text1;  // the details, read only
    QPushButton* Command1;  // "Diesem Zertifikat vertrauen"
    QPushButton* Command2;  // "Abbrechen"

private:
    // Stores the fingerprint for the account at once, in memory and in the store.
    void Command1_Click();

    RejectedCertificate rejected_;
};
