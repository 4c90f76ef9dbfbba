#pragma once

#include <QString>
#include <exception>

// A run-time error of the program: a number and a German description. The handlers of the main
// window (start-up, both timer ticks, data arrival) catch it and report it through ReportError.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description)
        : number_(number), description_(std::move(description)), what_(description_.toUtf8()) {}

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

    // Where the error lies (file and key of a damaged stored value), shown as one more line of the
    // report; empty when the handler's name says enough.
    const QString& place() const { return place_; }
    RuntimeError at(const QString& place) const {
        RuntimeError copy = *this;
        copy.place_ = place;
        return copy;
    }

    static RuntimeError invalidCall() { return {5, QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument")}; }
    static RuntimeError overflow() { return {6, QStringLiteral("Überlauf")}; }
    static RuntimeError subscriptOutOfRange() { return {9, QStringLiteral("Index außerhalb des gültigen Bereichs")}; }
    static RuntimeError divisionByZero() { return {11, QStringLiteral("Division durch Null")}; }
    static RuntimeError typeMismatch() { return {13, QStringLiteral("Typen unverträglich")}; }

private:
    int number_;
    QString description_;
    QByteArray what_;
    QString place_;
};
