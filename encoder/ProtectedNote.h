#pragma once

#include "encoder/NoteCodec.h"
#include "platform/SecretBytes.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace qb {

// The shown note as the passphrase commands see it.
class ProtectedNote
{
public:
    enum class Protection {
        None,
        Armour,    // an age file, shown as its armour
        Decrypted, // an age file's text, shown, its passphrase held for the saves
    };

    virtual ~ProtectedNote() = default;

    // A note is shown, all of it in the editor.
    virtual bool isShown() const = 0;
    virtual QString notePath() const = 0;
    virtual Protection protection() const = 0;
    // The note in its own form, as a save would write it unencrypted.
    virtual NoteBytes noteBytes() const = 0;
    // The age file's bytes as they were read or encrypted, for an Armour note.
    virtual QByteArray ageFileBytes() const = 0;
    // The passphrase of a Decrypted note, held for its saves.
    virtual std::shared_ptr<const SecretBytes> heldPassphrase() const = 0;
    // The note, its text shown as it is, saved encrypted with `passphrase` from now on, in
    // place of any passphrase held before: "Decrypted", the passphrase held for its saves, and
    // Save on.
    virtual void keepEncrypted(SecretBytes passphrase) = 0;
    // The note decrypted: `note` (its text, decoded) shown, "Decrypted", the passphrase held
    // for its saves, which encrypt it again.
    virtual void showDecrypted(DecodedNote note, SecretBytes passphrase) = 0;
    // A decrypted note's next save writes it in the clear.
    virtual void removeEncryption() = 0;
};

} // namespace qb
