#include "encoder/KeyWordCipher.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr qsizetype kSize = qsizetype(50) * 1024 * 1024;
constexpr QByteArrayView kKeyword = "Rosebud7";

// Printable lines ending in CR LF. Against this keyword every code stays in range both ways.
QByteArray noteText()
{
    QByteArray text(kSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < kSize; ++i) {
        const qsizetype column = i % 72;
        text[i] = column == 70 ? '\r' : column == 71 ? '\n' : static_cast<char>(' ' + i % 95);
    }
    return text;
}

const QByteArray &plainText()
{
    static const QByteArray text = noteText();
    return text;
}

const QByteArray &cipherText()
{
    static const QByteArray text =
        KeyWordCipher(plainText(), kKeyword, qb::CipherDirection::Encipher).value_or(QByteArray());
    return text;
}

void runCipher(benchmark::State &state, const QByteArray &input, qb::CipherDirection direction)
{
    if (input.size() != kSize || !KeyWordCipher(input, kKeyword, direction)) {
        state.SkipWithError("sample text does not go through the cipher");
        return;
    }
    for (auto _ : state) {
        auto result = KeyWordCipher(input, kKeyword, direction);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_Encipher(benchmark::State &state)
{
    runCipher(state, plainText(), qb::CipherDirection::Encipher);
}

void BM_Decipher(benchmark::State &state)
{
    runCipher(state, cipherText(), qb::CipherDirection::Decipher);
}

// The floor: a plain copy into a buffer that already exists.
void BM_Memcpy(benchmark::State &state)
{
    const QByteArray &input = plainText();
    QByteArray target(kSize, '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), input.constData(), static_cast<std::size_t>(kSize));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

// A copy into a fresh array, which pays the same allocation as the cipher's result. The shared
// benchmark main sets the allocator up as the program does.
void BM_MemcpyToNewArray(benchmark::State &state)
{
    const QByteArray &input = plainText();
    for (auto _ : state) {
        QByteArray target(kSize, Qt::Uninitialized);
        std::memcpy(target.data(), input.constData(), static_cast<std::size_t>(kSize));
        benchmark::DoNotOptimize(target);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyToNewArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decipher)->Unit(benchmark::kMillisecond);
