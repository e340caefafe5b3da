#pragma once

#include "encoder/KeyWordCipher.h"
#include "encoder/NoteCodec.h"
#include "platform/SecretBytes.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qb {

// The shown note as the Encode and Decode commands see it.
class CipherNote
{
public:
    virtual ~CipherNote() = default;

    // A note is shown, all of it in the editor.
    virtual bool isShown() const = 0;
    // Its name, for the prompts.
    virtual QString noteName() const = 0;
    // What Tools > Encode does now: encipher, or decipher.
    virtual CipherDirection cipherCommand() const = 0;
    // The note in its own form, as a save would write it.
    virtual NoteBytes noteBytes() const = 0;
    // The bytes of an encoded note as read or enciphered while its text is as they left it,
    // else nothing: the editor's then stand for them.
    virtual std::optional<QByteArray> knownEncodedBytes() const = 0;
    // Shows the note `bytes` make in place of the one shown: "Encoded" once enciphered,
    // "Decoded" once deciphered. Not an edit of the user's.
    virtual void showCiphered(const QByteArray &bytes, CipherDirection done) = 0;
    // The keyword the note shown was just deciphered with, held while its text is shown
    // deciphered, for what must decipher its other versions alike (a merge).
    virtual void holdKeyword(SecretBytes keyword) = 0;
};

} // namespace qb
