#pragma once

// The payload of an age file: its chunks sealed and opened, over several threads for a large
// note. Used by AgeFile only.

#include "encoder/AgeArmour.h"
#include "encoder/AgeFile.h"

#include <optional>

namespace qb::age {

inline constexpr qsizetype kChunkSize = 65536;
inline constexpr qsizetype kTagSize = 16;
inline constexpr qsizetype kSealedChunkSize = kChunkSize + kTagSize;
inline constexpr qsizetype kPayloadKeySize = 32;

// The binary file, read in order: the file's own bytes, or decoded from its armour.
class Source
{
public:
    explicit Source(QByteArrayView file);
    AgeOutcome outcome() const { return m_armour ? m_armour->outcome() : AgeOutcome(); }
    bool armoured() const { return m_armour.has_value(); }
    // Any position can be reached at once: a binary file, or armour with the same line ends.
    bool seekable() const { return !m_armour || m_armour->seekable(); }
    qsizetype size() const { return m_size; }
    qsizetype position() const { return m_at; }
    qsizetype left() const { return m_size - m_at; }

    // The next `length` bytes, no more than are left: a view of the file, or of a buffer valid
    // until the next call. nullopt when the armour breaks.
    std::optional<QByteArrayView> take(qsizetype length);
    void seek(qsizetype position);

private:
    QByteArrayView m_binary;
    std::optional<ArmourReader> m_armour;
    QByteArray m_buffer;
    qsizetype m_size = 0;
    qsizetype m_at = 0;
};

// `head` (the header and the payload's nonce) then `plain` sealed with `key`.
QByteArray sealPayload(QByteArrayView head, QByteArrayView plain, const unsigned char *key,
                       AgeForm form);
// The plain bytes of the chunks from the source's position to its end.
AgeDecrypted openPayload(const Source &source, const unsigned char *key);

} // namespace qb::age
