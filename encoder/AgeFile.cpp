#include "encoder/AgeFile.h"

#include "encoder/AgeArmour.h"

#include <sodium.h>

#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

constexpr qsizetype ChunkSize = 65536;
constexpr qsizetype TagSize = crypto_aead_chacha20poly1305_ietf_ABYTES;
constexpr qsizetype SealedChunkSize = ChunkSize + TagSize;
constexpr qsizetype FileKeySize = 16;
constexpr qsizetype KeySize = 32;
constexpr qsizetype SaltSize = 16;
constexpr qsizetype PayloadNonceSize = 16;
constexpr qsizetype WrappedKeySize = FileKeySize + TagSize;
// A header longer than this is refused: a passphrase file's is about 150 bytes.
constexpr qsizetype HeaderRoom = 64 * 1024;
constexpr QByteArrayView ScryptLabel = "age-encryption.org/v1/scrypt";
constexpr QByteArrayView ScryptType = "scrypt";
constexpr unsigned char ZeroNonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};

static_assert(KeySize == crypto_aead_chacha20poly1305_ietf_KEYBYTES);
static_assert(KeySize == crypto_auth_hmacsha256_BYTES);

const unsigned char *bytesOf(QByteArrayView view)
{
    return reinterpret_cast<const unsigned char *>(view.data());
}

// HMAC-SHA-256 of `first` then `second`.
void hmac(QByteArrayView key, QByteArrayView first, QByteArrayView second, unsigned char *out)
{
    crypto_auth_hmacsha256_state state;
    crypto_auth_hmacsha256_init(&state, bytesOf(key), size_t(key.size()));
    crypto_auth_hmacsha256_update(&state, bytesOf(first), quint64(first.size()));
    crypto_auth_hmacsha256_update(&state, bytesOf(second), quint64(second.size()));
    crypto_auth_hmacsha256_final(&state, out);
    ::sodium_memzero(&state, sizeof state);
}

// HKDF-SHA-256 for one block of output: extract, then expand with the counter byte 1.
void hkdf(QByteArrayView ikm, QByteArrayView salt, QByteArrayView info, unsigned char *out)
{
    constexpr unsigned char NoSalt[KeySize] = {};
    unsigned char prk[KeySize];
    hmac(salt.isEmpty() ? QByteArrayView(NoSalt, KeySize) : salt, ikm, {}, prk);
    hmac(QByteArrayView(prk, KeySize), info, "\x01", out);
    ::sodium_memzero(prk, sizeof prk);
}

// A file's keys, made from its file key: the header's MAC key and the payload key.
struct FileKeys
{
    SecretBytes memory{FileKeySize + 2 * KeySize};
    unsigned char *fileKey() { return memory.data(); }
    unsigned char *macKey() { return memory.data() + FileKeySize; }
    unsigned char *payloadKey() { return memory.data() + FileKeySize + KeySize; }
    QByteArrayView fileKeyView() { return {fileKey(), FileKeySize}; }
    void deriveMacKey() { hkdf(fileKeyView(), {}, "header", macKey()); }
    void derivePayloadKey(QByteArrayView nonce)
    {
        hkdf(fileKeyView(), nonce, "payload", payloadKey());
    }
    QByteArray mac(QByteArrayView header)
    {
        QByteArray out(KeySize, Qt::Uninitialized);
        hmac(QByteArrayView(macKey(), KeySize), header, {},
             reinterpret_cast<unsigned char *>(out.data()));
        return out;
    }
};

// Chunk nonces: an 11-byte big-endian counter, then 1 for the last chunk and 0 for the others.
struct ChunkNonce
{
    unsigned char bytes[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    void set(quint64 counter, bool last)
    {
        for (int i = 0; i < 8; ++i)
            bytes[10 - i] = static_cast<unsigned char>(counter >> (8 * i));
        bytes[11] = last ? 1 : 0;
    }
};

qsizetype chunkCount(qsizetype plainSize)
{
    return plainSize == 0 ? 1 : (plainSize + ChunkSize - 1) / ChunkSize;
}

AgeOutcome failure(AgeStatus status, const QString &message)
{
    return {status, message};
}

// The binary file, read in order: the file's own bytes, or decoded from its armour piece by piece.
class Source
{
public:
    explicit Source(QByteArrayView file)
    {
        if (file.startsWith("age-encryption.org/")) {
            m_binary = file;
            m_size = file.size();
            return;
        }
        m_armour.emplace(file);
        m_size = m_armour->size();
    }
    AgeOutcome outcome() const { return m_armour ? m_armour->outcome() : AgeOutcome(); }
    bool armoured() const { return m_armour.has_value(); }
    qsizetype size() const { return m_size; }
    qsizetype left() const { return m_size - m_at; }

    // The next `length` bytes, no more than are left: a view of the file, or of the buffer,
    // valid until the next call. Empty when the armour breaks.
    std::optional<QByteArrayView> take(qsizetype length)
    {
        Q_ASSERT(length <= left());
        m_at += length;
        if (!m_armour)
            return m_binary.sliced(m_at - length, length);
        if (m_buffer.size() < length)
            m_buffer.resize(length);
        auto *out = reinterpret_cast<unsigned char *>(m_buffer.data());
        if (!m_armour->read(out, length))
            return std::nullopt;
        return QByteArrayView(m_buffer).first(length);
    }
    void rewind()
    {
        m_at = 0;
        if (m_armour)
            m_armour->rewind();
    }

private:
    QByteArrayView m_binary;
    std::optional<age::ArmourReader> m_armour;
    QByteArray m_buffer;
    qsizetype m_size = 0;
    qsizetype m_at = 0;
};

struct HeaderRead
{
    AgeOutcome outcome;
    AgeHeaderParse parse;
    QByteArray bytes; // the header's own bytes, for its MAC
    QByteArray salt;
    int workFactor = 0;
};

AgeOutcome checkPassphraseStanza(const AgeHeader &header, int limit, HeaderRead &read);

// Reads and checks the header, and leaves `source` at the start of the payload.
HeaderRead readHeader(Source &source, int limit)
{
    HeaderRead read;
    read.outcome = source.outcome();
    if (!read.outcome.ok())
        return read;
    const qsizetype room = std::min(source.size(), HeaderRoom);
    const std::optional<QByteArrayView> prefix = source.take(room);
    if (!prefix) {
        read.outcome = source.outcome();
        return read;
    }
    read.parse = ParseAgeHeader(*prefix);
    read.outcome = read.parse.outcome;
    if (read.outcome.status == AgeStatus::NotAgeFile && source.armoured())
        read.outcome = failure(AgeStatus::Malformed, u"The armour does not hold an age file."_s);
    if (read.parse.endedEarly && room < source.size())
        read.outcome = failure(AgeStatus::Malformed, u"The file's header is too long."_s);
    if (!read.outcome.ok())
        return read;
    read.outcome = checkPassphraseStanza(read.parse.header, limit, read);
    read.bytes = prefix->first(read.parse.length).toByteArray();
    source.rewind();
    source.take(read.parse.length);
    // Too short to hold a nonce and one chunk: no need to ask for the passphrase.
    if (read.outcome.ok() && source.left() < PayloadNonceSize + TagSize)
        read.outcome = failure(AgeStatus::Truncated, u"The file ends before its payload."_s);
    return read;
}

AgeOutcome checkPassphraseStanza(const AgeHeader &header, int limit, HeaderRead &read)
{
    const auto isScrypt = [](const AgeStanza &s) { return s.arguments.first() == ScryptType; };
    const bool scrypt = std::any_of(header.stanzas.begin(), header.stanzas.end(), isScrypt);
    if (!scrypt)
        return failure(AgeStatus::NotForPassphrase,
                       u"This file was encrypted for keys, not with a passphrase."_s);
    if (header.stanzas.size() > 1)
        return failure(AgeStatus::MixedStanza,
                       u"The file's passphrase stanza is mixed with other recipients."_s);
    const AgeStanza &stanza = header.stanzas.first();
    if (stanza.arguments.size() != 3)
        return failure(AgeStatus::Malformed,
                       u"The passphrase stanza does not hold just a salt and a work factor."_s);
    const std::optional<QByteArray> salt = age::DecodeUnpadded(stanza.arguments[1]);
    if (!salt || salt->size() != SaltSize)
        return failure(AgeStatus::Malformed, u"The passphrase stanza's salt is malformed."_s);
    const QByteArray &factor = stanza.arguments[2];
    const bool digits =
        std::all_of(factor.begin(), factor.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || factor.startsWith('0'))
        return failure(AgeStatus::Malformed,
                       u"The passphrase stanza's work factor is malformed."_s);
    const int workFactor = factor.size() > 4 ? 9999 : factor.toInt();
    if (workFactor > limit) {
        return failure(AgeStatus::WorkFactorTooHigh,
                       u"The file's work factor, %1, is above %2: deriving its key would take "
                       "too long and too much memory."_s.arg(QString::fromLatin1(factor))
                           .arg(limit));
    }
    if (stanza.body.size() != WrappedKeySize)
        return failure(AgeStatus::Malformed, u"The passphrase stanza's body is malformed."_s);
    read.salt = *salt;
    read.workFactor = workFactor;
    return {};
}

// The chunks after the payload's nonce. A chunk is written out only once it is checked, and what
// was written is wiped when a later one fails.
AgeDecrypted openPayload(Source &source, const unsigned char *key)
{
    const qsizetype left = source.left();
    const qsizetype chunks = (left + SealedChunkSize - 1) / SealedChunkSize;
    const qsizetype lastSealed = left - (chunks - 1) * SealedChunkSize;
    const AgeOutcome damaged =
        failure(AgeStatus::Damaged, u"The file was changed or cut short after it was encrypted."_s);
    AgeDecrypted result;
    // A last piece too short for a chunk may be bytes after a whole last chunk: see below.
    result.plain = QByteArray(
        (chunks - 1) * ChunkSize + std::max(lastSealed - TagSize, qsizetype(0)), Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(result.plain.data());
    ChunkNonce nonce;
    const auto open = [&](QByteArrayView sealed, qsizetype i, bool last) {
        nonce.set(quint64(i), last);
        return crypto_aead_chacha20poly1305_ietf_decrypt(out, nullptr, nullptr, bytesOf(sealed),
                                                         quint64(sealed.size()), nullptr, 0,
                                                         nonce.bytes, key) == 0;
    };
    for (qsizetype i = 0; i < chunks; ++i) {
        const bool last = i == chunks - 1;
        const std::optional<QByteArrayView> sealed =
            source.take(last ? lastSealed : SealedChunkSize);
        AgeOutcome failed;
        if (!sealed) {
            failed = source.outcome();
        } else if (sealed->size() < TagSize) {
            failed = damaged;
        } else if (last && i > 0 && sealed->size() == TagSize) {
            failed = failure(AgeStatus::Malformed, u"The file ends with an empty chunk."_s);
        } else if (!open(*sealed, i, last)) {
            // Decrypting the other way tells a file cut at a chunk's end, or one with bytes after
            // its last chunk, from a changed one.
            if (!open(*sealed, i, !last))
                failed = damaged;
            else if (last)
                failed = failure(AgeStatus::Truncated, u"The file ends before its last chunk."_s);
            else
                failed = failure(AgeStatus::TrailingData,
                                 u"Something follows the end of the encrypted file."_s);
        }
        if (!failed.ok()) {
            ::sodium_memzero(result.plain.data(), size_t(result.plain.size()));
            return {failed, {}};
        }
        out += sealed->size() - TagSize;
    }
    return result;
}

} // namespace

AgeWrapKey::AgeWrapKey(SecretBytes key, QByteArray salt, int workFactor)
    : m_key(std::move(key)), m_salt(std::move(salt)), m_workFactor(workFactor)
{
}

AgeWrapKey DeriveAgeKey(const SecretBytes &passphrase, QByteArrayView salt, int workFactor)
{
    StartSodium();
    if (salt.size() != SaltSize || workFactor < 1 || workFactor > 62)
        return {};
    unsigned char scryptSalt[ScryptLabel.size() + SaltSize];
    std::memcpy(scryptSalt, ScryptLabel.data(), ScryptLabel.size());
    std::memcpy(scryptSalt + ScryptLabel.size(), salt.data(), SaltSize);
    SecretBytes key(KeySize);
    if (crypto_pwhash_scryptsalsa208sha256_ll(
            passphrase.data(), size_t(passphrase.size()), scryptSalt, sizeof scryptSalt,
            quint64(1) << workFactor, 8, 1, key.data(), KeySize) != 0)
        return {};
    return {std::move(key), salt.toByteArray(), workFactor};
}

AgeWrapKey PrepareAgeKey(const SecretBytes &passphrase, int workFactor)
{
    StartSodium();
    QByteArray salt(SaltSize, Qt::Uninitialized);
    ::randombytes_buf(salt.data(), SaltSize);
    return DeriveAgeKey(passphrase, salt, workFactor);
}

QByteArray EncryptAge(QByteArrayView plain, AgeWrapKey &&key, AgeForm form)
{
    const AgeWrapKey used = std::move(key);
    if (!used.isValid())
        return {};
    FileKeys keys;
    ::randombytes_buf(keys.fileKey(), FileKeySize);
    QByteArray wrapped(WrappedKeySize, Qt::Uninitialized);
    crypto_aead_chacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char *>(wrapped.data()),
                                              nullptr, keys.fileKey(), FileKeySize, nullptr, 0,
                                              nullptr, ZeroNonce, used.key().data());
    AgeHeader header;
    header.stanzas = {{{ScryptType.toByteArray(), age::EncodeUnpadded(used.salt()),
                        QByteArray::number(used.workFactor())},
                       wrapped}};
    QByteArray head = SerializeAgeHeader(header, false);
    keys.deriveMacKey();
    head += ' ' + age::EncodeUnpadded(keys.mac(head)) + '\n';
    unsigned char nonce[PayloadNonceSize];
    ::randombytes_buf(nonce, sizeof nonce);
    keys.derivePayloadKey(QByteArrayView(nonce, PayloadNonceSize));
    head.append(QByteArrayView(nonce, PayloadNonceSize));

    const qsizetype chunks = chunkCount(plain.size());
    const qsizetype binarySize = head.size() + plain.size() + chunks * TagSize;
    QByteArray out;
    std::optional<age::ArmourWriter> armour;
    QByteArray sealed;
    unsigned char *at = nullptr;
    if (form == AgeForm::Binary) {
        out = QByteArray(binarySize, Qt::Uninitialized);
        std::memcpy(out.data(), head.constData(), size_t(head.size()));
        at = reinterpret_cast<unsigned char *>(out.data()) + head.size();
    } else {
        armour.emplace(binarySize);
        armour->add(head);
        sealed = QByteArray(SealedChunkSize, Qt::Uninitialized);
    }
    ChunkNonce chunkNonce;
    for (qsizetype i = 0; i < chunks; ++i) {
        const QByteArrayView piece =
            plain.sliced(i * ChunkSize).first(std::min(ChunkSize, plain.size() - i * ChunkSize));
        chunkNonce.set(quint64(i), i == chunks - 1);
        unsigned char *to = armour ? reinterpret_cast<unsigned char *>(sealed.data()) : at;
        crypto_aead_chacha20poly1305_ietf_encrypt(to, nullptr, bytesOf(piece),
                                                  quint64(piece.size()), nullptr, 0, nullptr,
                                                  chunkNonce.bytes, keys.payloadKey());
        if (armour)
            armour->add(QByteArrayView(to, piece.size() + TagSize));
        else
            at += piece.size() + TagSize;
    }
    return armour ? armour->finish() : out;
}

AgeKeyNeed ReadAgeHeader(QByteArrayView file, int workFactorLimit)
{
    Source source(file);
    const HeaderRead read = readHeader(source, workFactorLimit);
    return {read.outcome, read.salt, read.workFactor};
}

AgeDecrypted DecryptAge(QByteArrayView file, const AgeWrapKey &key, int workFactorLimit)
{
    Source source(file);
    const HeaderRead read = readHeader(source, workFactorLimit);
    if (!read.outcome.ok())
        return {read.outcome, {}};
    if (!key.isValid()) {
        return {failure(AgeStatus::NoMemory,
                        u"There was not enough memory to derive the key from the passphrase."_s),
                {}};
    }
    FileKeys keys;
    const QByteArray &wrapped = read.parse.header.stanzas.first().body;
    if (crypto_aead_chacha20poly1305_ietf_decrypt(keys.fileKey(), nullptr, nullptr,
                                                  bytesOf(wrapped), WrappedKeySize, nullptr, 0,
                                                  ZeroNonce, key.key().data()) != 0) {
        return {failure(AgeStatus::WrongPassphrase,
                        u"The passphrase is wrong, or the file was changed."_s),
                {}};
    }
    keys.deriveMacKey();
    const QByteArray mac = keys.mac(QByteArrayView(read.bytes).first(read.parse.macCovers));
    if (::sodium_memcmp(mac.constData(), read.parse.header.mac.constData(), KeySize) != 0) {
        return {
            failure(AgeStatus::Damaged, u"The file's header was changed after it was encrypted."_s),
            {}};
    }
    const std::optional<QByteArrayView> nonce = source.take(PayloadNonceSize);
    if (!nonce)
        return {source.outcome(), {}};
    keys.derivePayloadKey(*nonce);
    return openPayload(source, keys.payloadKey());
}

bool IsAgeFile(QByteArrayView bytes)
{
    return bytes.startsWith("age-encryption.org/v1\n") || age::LooksArmoured(bytes);
}

QByteArray ArmourAge(QByteArrayView binary)
{
    age::ArmourWriter writer(binary.size());
    writer.add(binary);
    return writer.finish();
}

} // namespace qb
