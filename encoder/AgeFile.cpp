#include "encoder/AgeFile.h"

#include "encoder/AgePayload.h"

#include <sodium.h>

#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

using age::kTagSize;
using age::Source;
constexpr qsizetype kFileKeySize = 16;
constexpr qsizetype kKeySize = 32;
constexpr qsizetype kSaltSize = 16;
constexpr qsizetype kPayloadNonceSize = 16;
constexpr qsizetype kWrappedKeySize = kFileKeySize + kTagSize;
// A header longer than this is refused: a passphrase file's is about 150 bytes.
constexpr qsizetype kHeaderRoom = 64 * 1024;
constexpr QByteArrayView kScryptLabel = "age-encryption.org/v1/scrypt";
constexpr QByteArrayView kScryptType = "scrypt";
constexpr unsigned char kZeroNonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};

static_assert(kKeySize == crypto_aead_chacha20poly1305_ietf_KEYBYTES);
static_assert(kKeySize == crypto_auth_hmacsha256_BYTES);

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
    constexpr unsigned char kNoSalt[kKeySize] = {};
    unsigned char prk[kKeySize];
    hmac(salt.isEmpty() ? QByteArrayView(kNoSalt, kKeySize) : salt, ikm, {}, prk);
    hmac(QByteArrayView(prk, kKeySize), info, "\x01", out);
    ::sodium_memzero(prk, sizeof prk);
}

// A file's keys, made from its file key: the header's MAC key and the payload key.
struct FileKeys
{
    SecretBytes memory{kFileKeySize + 2 * kKeySize};
    unsigned char *fileKey() { return memory.data(); }
    unsigned char *macKey() { return memory.data() + kFileKeySize; }
    unsigned char *payloadKey() { return memory.data() + kFileKeySize + kKeySize; }
    QByteArrayView fileKeyView() { return {fileKey(), kFileKeySize}; }
    void deriveMacKey() { hkdf(fileKeyView(), {}, "header", macKey()); }
    void derivePayloadKey(QByteArrayView nonce)
    {
        hkdf(fileKeyView(), nonce, "payload", payloadKey());
    }
    QByteArray mac(QByteArrayView header)
    {
        QByteArray out(kKeySize, Qt::Uninitialized);
        hmac(QByteArrayView(macKey(), kKeySize), header, {},
             reinterpret_cast<unsigned char *>(out.data()));
        return out;
    }
};

AgeOutcome failure(AgeStatus status, const QString &message)
{
    return {status, message};
}

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
    const qsizetype room = std::min(source.size(), kHeaderRoom);
    const std::optional<QByteArrayView> prefix = source.take(room);
    if (!prefix) {
        read.outcome = source.outcome();
        return read;
    }
    read.parse = parseAgeHeader(*prefix);
    read.outcome = read.parse.outcome;
    if (read.outcome.status == AgeStatus::NotAgeFile && source.armoured())
        read.outcome = failure(AgeStatus::Malformed, u"The armour does not hold an age file."_s);
    if (read.parse.endedEarly && room < source.size())
        read.outcome = failure(AgeStatus::Malformed, u"The file's header is too long."_s);
    if (!read.outcome.ok())
        return read;
    read.outcome = checkPassphraseStanza(read.parse.header, limit, read);
    read.bytes = prefix->first(read.parse.length).toByteArray();
    source.seek(read.parse.length);
    // Too short to hold a nonce and one chunk: no need to ask for the passphrase.
    if (read.outcome.ok() && source.left() < kPayloadNonceSize + kTagSize)
        read.outcome = failure(AgeStatus::Truncated, u"The file ends before its payload."_s);
    return read;
}

AgeOutcome checkPassphraseStanza(const AgeHeader &header, int limit, HeaderRead &read)
{
    const auto isScrypt = [](const AgeStanza &s) { return s.arguments.first() == kScryptType; };
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
    const std::optional<QByteArray> salt = age::decodeUnpadded(stanza.arguments[1]);
    if (!salt || salt->size() != kSaltSize)
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
    if (stanza.body.size() != kWrappedKeySize)
        return failure(AgeStatus::Malformed, u"The passphrase stanza's body is malformed."_s);
    read.salt = *salt;
    read.workFactor = workFactor;
    return {};
}

} // namespace

AgeWrapKey::AgeWrapKey(SecretBytes key, QByteArray salt, int workFactor)
    : m_key(std::move(key)), m_salt(std::move(salt)), m_workFactor(workFactor)
{
}

AgeWrapKey deriveAgeKey(const SecretBytes &passphrase, QByteArrayView salt, int workFactor)
{
    startSodium();
    if (salt.size() != kSaltSize || workFactor < 1 || workFactor > 62)
        return {};
    unsigned char scryptSalt[kScryptLabel.size() + kSaltSize];
    std::memcpy(scryptSalt, kScryptLabel.data(), kScryptLabel.size());
    std::memcpy(scryptSalt + kScryptLabel.size(), salt.data(), kSaltSize);
    SecretBytes key(kKeySize);
    if (crypto_pwhash_scryptsalsa208sha256_ll(
            passphrase.data(), size_t(passphrase.size()), scryptSalt, sizeof scryptSalt,
            quint64(1) << workFactor, 8, 1, key.data(), kKeySize) != 0)
        return {};
    return {std::move(key), salt.toByteArray(), workFactor};
}

AgeWrapKey prepareAgeKey(const SecretBytes &passphrase, int workFactor)
{
    startSodium();
    QByteArray salt(kSaltSize, Qt::Uninitialized);
    ::randombytes_buf(salt.data(), kSaltSize);
    return deriveAgeKey(passphrase, salt, workFactor);
}

QByteArray encryptAge(QByteArrayView plain, AgeWrapKey &&key, AgeForm form)
{
    const AgeWrapKey used = std::move(key);
    if (!used.isValid())
        return {};
    FileKeys keys;
    ::randombytes_buf(keys.fileKey(), kFileKeySize);
    QByteArray wrapped(kWrappedKeySize, Qt::Uninitialized);
    crypto_aead_chacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char *>(wrapped.data()),
                                              nullptr, keys.fileKey(), kFileKeySize, nullptr, 0,
                                              nullptr, kZeroNonce, used.key().data());
    AgeHeader header;
    header.stanzas = {{{kScryptType.toByteArray(), age::encodeUnpadded(used.salt()),
                        QByteArray::number(used.workFactor())},
                       wrapped}};
    QByteArray head = serializeAgeHeader(header, false);
    keys.deriveMacKey();
    head += ' ' + age::encodeUnpadded(keys.mac(head)) + '\n';
    unsigned char nonce[kPayloadNonceSize];
    ::randombytes_buf(nonce, sizeof nonce);
    keys.derivePayloadKey(QByteArrayView(nonce, kPayloadNonceSize));
    head.append(QByteArrayView(nonce, kPayloadNonceSize));

    return age::sealPayload(head, plain, keys.payloadKey(), form);
}

AgeKeyNeed readAgeHeader(QByteArrayView file, int workFactorLimit)
{
    Source source(file);
    const HeaderRead read = readHeader(source, workFactorLimit);
    return {read.outcome, read.salt, read.workFactor};
}

AgeDecrypted decryptAge(QByteArrayView file, const AgeWrapKey &key, int workFactorLimit)
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
                                                  bytesOf(wrapped), kWrappedKeySize, nullptr, 0,
                                                  kZeroNonce, key.key().data()) != 0) {
        return {failure(AgeStatus::WrongPassphrase,
                        u"The passphrase is wrong, or the file was changed."_s),
                {}};
    }
    keys.deriveMacKey();
    const QByteArray mac = keys.mac(QByteArrayView(read.bytes).first(read.parse.macCovers));
    if (::sodium_memcmp(mac.constData(), read.parse.header.mac.constData(), kKeySize) != 0) {
        return {
            failure(AgeStatus::Damaged, u"The file's header was changed after it was encrypted."_s),
            {}};
    }
    const std::optional<QByteArrayView> nonce = source.take(kPayloadNonceSize);
    if (!nonce)
        return {source.outcome(), {}};
    keys.derivePayloadKey(*nonce);
    return age::openPayload(source, keys.payloadKey());
}

bool isAgeFile(QByteArrayView bytes)
{
    return bytes.startsWith("age-encryption.org/v1\n") || age::looksArmoured(bytes);
}

QByteArray armourAge(QByteArrayView binary)
{
    return age::toArmour(binary);
}

} // namespace qb
