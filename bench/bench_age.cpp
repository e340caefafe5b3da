#include "encoder/AgeFile.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <sodium.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kSize = qsizetype(50) * 1024 * 1024;
constexpr qsizetype kChunk = 64 * 1024;

// Printable lines ending in CR LF.
const QByteArray &plainText()
{
    static const QByteArray text = [] {
        QByteArray bytes(kSize, Qt::Uninitialized);
        for (qsizetype i = 0; i < kSize; ++i) {
            const qsizetype column = i % 72;
            bytes[i] = column == 70 ? '\r' : column == 71 ? '\n' : char(' ' + i % 95);
        }
        return bytes;
    }();
    return text;
}

const qb::SecretBytes &passphrase()
{
    static const qb::SecretBytes secret = [] {
        QString text = u"correct horse battery staple"_s;
        return qb::SecretBytes::fromPassphrase(text);
    }();
    return secret;
}

// The work factor of the encrypt and decrypt runs does not matter: the key is made outside the
// timing.
constexpr int kFastWorkFactor = 1;

void encrypt(benchmark::State &state, qb::AgeForm form)
{
    for (auto _ : state) {
        state.PauseTiming();
        qb::AgeWrapKey key = qb::prepareAgeKey(passphrase(), kFastWorkFactor);
        state.ResumeTiming();
        QByteArray file = qb::encryptAge(plainText(), std::move(key), form);
        benchmark::DoNotOptimize(file);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

qint64 statusKiB(QByteArrayView field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// How much more memory than before the process held at its peak while `work` ran, in MiB; -1
// where the system does not say. Linux resets the peak when asked through clear_refs.
double peakGrowthMiB(const std::function<void()> &work)
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return -1;
    clear.close();
    const qint64 before = statusKiB("VmRSS:");
    work();
    const qint64 peak = statusKiB("VmHWM:");
    return before < 0 || peak < 0 ? -1 : double(peak - before) / 1024;
}

void decrypt(benchmark::State &state, qb::AgeForm form)
{
    qb::AgeWrapKey key = qb::prepareAgeKey(passphrase(), kFastWorkFactor);
    const QByteArray salt = key.salt();
    const QByteArray file = qb::encryptAge(plainText(), std::move(key), form);
    const qb::AgeWrapKey same = qb::deriveAgeKey(passphrase(), salt, kFastWorkFactor);
    if (qb::decryptAge(file, same).plain != plainText()) {
        state.SkipWithError("the file does not decrypt");
        return;
    }
    for (auto _ : state) {
        qb::AgeDecrypted result = qb::decryptAge(file, same);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    // What a decryption holds beyond the note it hands back.
    QByteArray kept;
    const double growth = peakGrowthMiB([&] { kept = qb::decryptAge(file, same).plain; });
    state.counters["beyond_note_MiB"] = growth < 0 ? -1 : growth - double(kSize) / (1 << 20);
}

void BM_AgeEncryptArmoured(benchmark::State &state)
{
    encrypt(state, qb::AgeForm::Armoured);
}

void BM_AgeEncryptBinary(benchmark::State &state)
{
    encrypt(state, qb::AgeForm::Binary);
}

void BM_AgeDecryptArmoured(benchmark::State &state)
{
    decrypt(state, qb::AgeForm::Armoured);
}

void BM_AgeDecryptBinary(benchmark::State &state)
{
    decrypt(state, qb::AgeForm::Binary);
}

// The floor: libsodium's AEAD alone over the same bytes in 64 KiB chunks, into a buffer that
// already exists.
void BM_SodiumAeadChunks(benchmark::State &state)
{
    // libsodium picks its fastest code for this processor when it starts.
    qb::startSodium();
    const QByteArray &input = plainText();
    QByteArray output(kSize + kSize / kChunk * crypto_aead_chacha20poly1305_ietf_ABYTES, '\0');
    unsigned char key[crypto_aead_chacha20poly1305_ietf_KEYBYTES] = {1};
    unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    for (auto _ : state) {
        auto *out = reinterpret_cast<unsigned char *>(output.data());
        for (qsizetype at = 0; at < kSize; at += kChunk) {
            nonce[10] = static_cast<unsigned char>(at / kChunk);
            crypto_aead_chacha20poly1305_ietf_encrypt(
                out, nullptr, reinterpret_cast<const unsigned char *>(input.constData()) + at,
                kChunk, nullptr, 0, nullptr, nonce, key);
            out += kChunk + crypto_aead_chacha20poly1305_ietf_ABYTES;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

// What is done before the passphrase is asked for: the armour's lines and the header checked.
void BM_AgeReadHeaderArmoured(benchmark::State &state)
{
    const QByteArray file =
        qb::encryptAge(plainText(), qb::prepareAgeKey(passphrase(), kFastWorkFactor));
    for (auto _ : state) {
        qb::AgeKeyNeed need = qb::readAgeHeader(file);
        benchmark::DoNotOptimize(need);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

// The slow step, at the work factor files are written with.
void BM_AgeDeriveKey(benchmark::State &state)
{
    for (auto _ : state) {
        qb::AgeWrapKey key = qb::prepareAgeKey(passphrase(), qb::kAgeDefaultWorkFactor);
        if (!key.isValid())
            state.SkipWithError("no key");
        benchmark::DoNotOptimize(key);
    }
}

} // namespace

BENCHMARK(BM_SodiumAeadChunks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeEncryptBinary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeEncryptArmoured)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeDecryptBinary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeDecryptArmoured)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeReadHeaderArmoured)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AgeDeriveKey)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
