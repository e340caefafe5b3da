#include "encoder/AgePayload.h"

#include "encoder/WorkParts.h"

#include <sodium.h>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;

namespace qb::age {

namespace {

static_assert(kTagSize == crypto_aead_chacha20poly1305_ietf_ABYTES);
static_assert(kPayloadKeySize == crypto_aead_chacha20poly1305_ietf_KEYBYTES);

// Threads take the work a megabyte at a time.
constexpr qsizetype kBatchChunks = 16;

// Chunk nonces: an 11-byte big-endian counter, then 1 for the last chunk and 0 for the others.
struct ChunkNonce
{
    unsigned char bytes[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    ChunkNonce(qsizetype counter, bool last)
    {
        for (int i = 0; i < 8; ++i)
            bytes[10 - i] = static_cast<unsigned char>(quint64(counter) >> (8 * i));
        bytes[11] = last ? 1 : 0;
    }
};

// A buffer the size of a large note, advised before its first use to be given 2 MiB pages where
// the system does that on request: its page faults then take a third of their time with small
// pages, which can be a third of all the work here.
void adviseLargePages(QByteArray &buffer)
{
#ifdef Q_OS_LINUX
    constexpr quintptr kLarge = 2 << 20;
    const auto begin = quintptr(buffer.data());
    const quintptr start = (begin + kLarge - 1) & ~(kLarge - 1);
    const quintptr end = (begin + quintptr(buffer.size())) & ~(kLarge - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
    Q_UNUSED(buffer);
#endif
}

qsizetype chunkCount(qsizetype plainSize)
{
    return plainSize == 0 ? 1 : (plainSize + kChunkSize - 1) / kChunkSize;
}

// Seals chunk `chunk` of `plain` into `out`; returns its size.
qsizetype seal(const unsigned char *key, QByteArrayView plain, qsizetype chunk, unsigned char *out)
{
    const qsizetype at = chunk * kChunkSize;
    const qsizetype length = std::min(kChunkSize, plain.size() - at);
    const ChunkNonce nonce(chunk, at + length == plain.size());
    crypto_aead_chacha20poly1305_ietf_encrypt(
        out, nullptr, reinterpret_cast<const unsigned char *>(plain.data()) + at, quint64(length),
        nullptr, 0, nullptr, nonce.bytes, key);
    return length + kTagSize;
}

bool open(const unsigned char *key, QByteArrayView sealed, qsizetype chunk, bool last,
          unsigned char *out)
{
    const ChunkNonce nonce(chunk, last);
    return crypto_aead_chacha20poly1305_ietf_decrypt(
               out, nullptr, nullptr, reinterpret_cast<const unsigned char *>(sealed.data()),
               quint64(sealed.size()), nullptr, 0, nonce.bytes, key) == 0;
}

AgeOutcome openChunk(const unsigned char *key, QByteArrayView sealed, qsizetype chunk, bool last,
                     unsigned char *out)
{
    if (last && chunk > 0 && sealed.size() == kTagSize)
        return {AgeStatus::Malformed, u"The file ends with an empty chunk."_s};
    if (sealed.size() >= kTagSize && open(key, sealed, chunk, last, out))
        return {};
    // Opened the other way, a chunk tells a file cut at a chunk's end, or one with bytes after
    // its last chunk, from a changed one.
    if (sealed.size() < kTagSize || !open(key, sealed, chunk, !last, out))
        return {AgeStatus::Damaged, u"The file was changed or cut short after it was encrypted."_s};
    if (last)
        return {AgeStatus::Truncated, u"The file ends before its last chunk."_s};
    return {AgeStatus::TrailingData, u"Something follows the end of the encrypted file."_s};
}

} // namespace

Source::Source(QByteArrayView file)
{
    if (file.startsWith("age-encryption.org/")) {
        m_binary = file;
        m_size = file.size();
        return;
    }
    m_armour.emplace(file);
    m_size = m_armour->size();
}

std::optional<QByteArrayView> Source::take(qsizetype length)
{
    Q_ASSERT(length <= left());
    m_at += length;
    if (!m_armour)
        return m_binary.sliced(m_at - length, length);
    if (m_buffer.size() < length)
        m_buffer.resize(length);
    if (!m_armour->read(reinterpret_cast<unsigned char *>(m_buffer.data()), length))
        return std::nullopt;
    return QByteArrayView(m_buffer).first(length);
}

void Source::seek(qsizetype position)
{
    m_at = position;
    if (m_armour)
        m_armour->seek(position);
}

QByteArray sealPayload(QByteArrayView head, QByteArrayView plain, const unsigned char *key,
                       AgeForm form)
{
    const qsizetype chunks = chunkCount(plain.size());
    const qsizetype binarySize = head.size() + plain.size() + chunks * kTagSize;
    const int parts = partsFor(plain.size());
    if (form == AgeForm::Binary) {
        QByteArray out(binarySize, Qt::Uninitialized);
        adviseLargePages(out);
        std::memcpy(out.data(), head.data(), size_t(head.size()));
        auto *payload = reinterpret_cast<unsigned char *>(out.data()) + head.size();
        runBatches(parts, chunks, kBatchChunks, [&](qsizetype first, qsizetype end) {
            for (qsizetype chunk = first; chunk < end; ++chunk)
                seal(key, plain, chunk, payload + chunk * kSealedChunkSize);
        });
        return out;
    }
    // Each batch writes whole lines of armour, and seals again the chunk it shares with the batch
    // before: the same bytes, as the nonce is the chunk's.
    QByteArray out(armouredSize(binarySize), Qt::Uninitialized);
    adviseLargePages(out);
    putArmourFrame(out);
    char *text = out.data();
    const qsizetype lines = (binarySize + kArmourLineBytes - 1) / kArmourLineBytes;
    // Larger batches here, as each seals one chunk twice; one for a single thread.
    const qsizetype batch =
        parts > 1 ? 4 * kBatchChunks * kSealedChunkSize / kArmourLineBytes : lines;
    runBatches(parts, lines, batch, [&](qsizetype firstLine, qsizetype endLine) {
        const qsizetype stop = std::min(endLine * kArmourLineBytes, binarySize);
        qsizetype at = firstLine * kArmourLineBytes;
        ArmourLines writer(text + armourLineStart(firstLine));
        if (at < head.size()) {
            writer.add(head.sliced(at, std::min(stop, head.size()) - at));
            at = std::min(stop, head.size());
        }
        std::vector<unsigned char> sealed(kSealedChunkSize);
        while (at < stop) {
            const qsizetype chunk = (at - head.size()) / kSealedChunkSize;
            const qsizetype start = head.size() + chunk * kSealedChunkSize;
            const qsizetype end = std::min(stop, start + seal(key, plain, chunk, sealed.data()));
            writer.add(QByteArrayView(sealed.data() + (at - start), end - at));
            at = end;
        }
        writer.finish();
    });
    return out;
}

AgeDecrypted openPayload(const Source &source, const unsigned char *key)
{
    const qsizetype start = source.position();
    const qsizetype chunks = (source.left() + kSealedChunkSize - 1) / kSealedChunkSize;
    const qsizetype lastSealed = source.left() - (chunks - 1) * kSealedChunkSize;
    AgeDecrypted result;
    // A last piece too short for a chunk may be bytes after a whole last chunk: openChunk tells.
    result.plain =
        QByteArray((chunks - 1) * kChunkSize + std::max<qsizetype>(lastSealed - kTagSize, 0),
                   Qt::Uninitialized);
    adviseLargePages(result.plain);
    auto *out = reinterpret_cast<unsigned char *>(result.plain.data());
    // Batches are read from where they start, which an armour of mixed line ends cannot do.
    const int parts = source.seekable() ? partsFor(source.left()) : 1;
    // The first chunk that failed, and why: reading in order would have stopped there.
    std::mutex failing;
    std::atomic<qsizetype> firstFailed = chunks;
    AgeOutcome failure;
    runBatches(parts, chunks, parts > 1 ? kBatchChunks : chunks,
               [&](qsizetype first, qsizetype end) {
                   if (first > firstFailed)
                       return;
                   Source own = source;
                   own.seek(start + first * kSealedChunkSize);
                   for (qsizetype chunk = first; chunk < end; ++chunk) {
                       const bool last = chunk == chunks - 1;
                       const std::optional<QByteArrayView> sealed =
                           own.take(last ? lastSealed : kSealedChunkSize);
                       AgeOutcome failed =
                           sealed ? openChunk(key, *sealed, chunk, last, out + chunk * kChunkSize)
                                  : own.outcome();
                       if (!failed.ok()) {
                           const std::lock_guard lock(failing);
                           if (chunk < firstFailed) {
                               firstFailed = chunk;
                               failure = std::move(failed);
                           }
                           return;
                       }
                   }
               });
    if (!failure.ok()) {
        // Chunks that were opened are not handed out, nor left behind.
        ::sodium_memzero(result.plain.data(), size_t(result.plain.size()));
        return {failure, {}};
    }
    return result;
}

} // namespace qb::age
