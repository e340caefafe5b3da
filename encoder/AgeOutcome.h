#pragma once

// How reading an age file went, for the age format's files and their readers alike.

#include <QString>

namespace qb {

enum class AgeStatus {
    Ok,
    NotAgeFile,        // neither an age file nor age armour
    Malformed,         // breaks the format; the message says where
    NotForPassphrase,  // encrypted to keys, not with a passphrase
    MixedStanza,       // a passphrase stanza beside other recipients, which age forbids
    WorkFactorTooHigh, // refused before any derivation
    WrongPassphrase,   // or the salt or the wrapped key was changed: age cannot tell which
    Damaged,           // the key is right but the header or the payload was changed or cut
    Truncated,         // the file ends early
    TrailingData,      // bytes after the file's end
    NoMemory,          // the key derivation could not have the memory it needs
};

struct AgeOutcome
{
    AgeStatus status = AgeStatus::Ok;
    QString message; // a sentence to show; empty when all is well
    bool ok() const { return status == AgeStatus::Ok; }
};

} // namespace qb
