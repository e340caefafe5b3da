#pragma once

// Notes encrypted with a passphrase in the age v1 format (scrypt recipient), so that the `age`
// command opens them too. The key derivation is slow on purpose (about a second) and is split
// from the rest, so that it can run on another thread: encrypting is prepareAgeKey (slow) then
// encryptAge (fast); decrypting is readAgeHeader (fast), deriveAgeKey (slow), decryptAge (fast).

#include "encoder/AgeOutcome.h"
#include "platform/SecretBytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace qb {

// The work factor (log2 of scrypt's N) written by default, and the largest one read, as the
// `age` command has them: each step doubles the time and the memory (256 MiB at 18).
inline constexpr int kAgeDefaultWorkFactor = 18;
inline constexpr int kAgeWorkFactorLimit = 22;

// The key that wraps a file's own key, derived from the passphrase for one salt and work factor.
// Made by prepareAgeKey for one new file, or by deriveAgeKey for one file being read.
class AgeWrapKey
{
public:
    AgeWrapKey() = default;
    AgeWrapKey(SecretBytes key, QByteArray salt, int workFactor);

    // False when the derivation failed for want of memory.
    bool isValid() const { return !m_key.isNull(); }
    const SecretBytes &key() const { return m_key; }
    const QByteArray &salt() const { return m_salt; }
    int workFactor() const { return m_workFactor; }

private:
    SecretBytes m_key;
    QByteArray m_salt;
    int m_workFactor = 0;
};

// Slow, any thread: a key for a new file, with a new random salt.
AgeWrapKey prepareAgeKey(const SecretBytes &passphrase, int workFactor = kAgeDefaultWorkFactor);
// Slow, any thread: the key for `salt` and `workFactor` as readAgeHeader found them.
AgeWrapKey deriveAgeKey(const SecretBytes &passphrase, QByteArrayView salt, int workFactor);

enum class AgeForm { Armoured, Binary };

// Fast: `plain` encrypted with a new file key and payload nonce, on a thread per processor for
// a large note. The key is used up: each file gets its own salt. Empty only when the key is not
// valid.
QByteArray encryptAge(QByteArrayView plain, AgeWrapKey &&key, AgeForm form = AgeForm::Armoured);

// What reading a passphrase file needs before its key can be derived.
struct AgeKeyNeed
{
    AgeOutcome outcome;
    QByteArray salt;
    int workFactor = 0;
};

// Fast: checks the armour or the binary file as far as that can be done without the key.
AgeKeyNeed readAgeHeader(QByteArrayView file, int workFactorLimit = kAgeWorkFactorLimit);

struct AgeDecrypted
{
    AgeOutcome outcome;
    QByteArray plain; // empty unless the outcome is Ok
};

// Fast: the plain bytes of `file`, armoured or binary, with the key derived for its header. A
// large file is decrypted on a thread per processor, which each hold a chunk beyond the result.
AgeDecrypted decryptAge(QByteArrayView file, const AgeWrapKey &key,
                        int workFactorLimit = kAgeWorkFactorLimit);

// Cheap: the bytes begin like an age file, armoured (after blank lines) or binary.
bool isAgeFile(QByteArrayView bytes);
// A binary age file as armour, so that it can be shown as text.
QByteArray armourAge(QByteArrayView binary);

// The header's parts, as the fuzz tests and the checks above see them.
struct AgeStanza
{
    QList<QByteArray> arguments; // the first is the stanza's type
    QByteArray body;
};

struct AgeHeader
{
    QList<AgeStanza> stanzas;
    QByteArray mac; // 32 bytes
};

struct AgeHeaderParse
{
    AgeOutcome outcome;
    AgeHeader header;
    qsizetype length = 0;    // the header's bytes, up to and with the MAC line's LF
    qsizetype macCovers = 0; // the bytes the MAC is taken over, up to and with "---"
    bool endedEarly = false; // the bytes ran out before the header ended
};

// Parses the binary header at the start of `binary`; the payload follows its `length` bytes.
AgeHeaderParse parseAgeHeader(QByteArrayView binary);
// The header's bytes; with `withMac` false, only those the MAC covers.
QByteArray serializeAgeHeader(const AgeHeader &header, bool withMac = true);

} // namespace qb
