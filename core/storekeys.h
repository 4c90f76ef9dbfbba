#pragma once

#include "core/account.h"

#include <QList>
#include <QString>
#include <functional>

// The keys of the store, each with its default and its conversion from and to the stored text, in
// one table for the settings and one for the fields of an account. Loading, saving and the account
// list all walk these tables, so a new key is one line in storekeys.cpp (plus its member).
template <typename Record>
struct StoreKey {
    QString name;     // the key; for accounts the field name after "AccountNN"
    QString missing;  // the text a key absent from the store reads as
    // Sets the member from stored text; throws RuntimeError when the text does not convert, and
    // the member then keeps its value.
    std::function<void(Record&, const QString&)> read;
    std::function<QString(const Record&)> write;
};

// The general settings' keys, in the order they are written.
QList<StoreKey<SettingsRecord>> SettingsKeys();
// The keys of one account, in the order they are written.
QList<StoreKey<Account>> AccountKeys();

// Stored text of the field types the store knows. A number is read as the input fields read it
// (rounded half to even, German separators); each throws RuntimeError 13 for a text that is no
// number and 6 for one out of range.
namespace StoreText {
qint16 ToInt16(const QString& text);
// A TCP port, 1..65535. The old signed field could name a high port only as a negative number,
// so -32768..-1 reads as that number plus 65536.
quint16 ToPort(const QString& text);
}  // namespace StoreText
