#include "platform/SecretBytes.h"

#include "platform/CoreDumps.h"

#include <QStringEncoder>

#include <sodium.h>

#include <algorithm>
#include <utility>

namespace qb {

void startSodium()
{
    // sodium_init is safe to call from several threads; the static makes it one call.
    static const bool started = ::sodium_init() >= 0;
    if (!started)
        qFatal("libsodium could not start: the system gives no random numbers");
}

SecretBytes::SecretBytes(qsizetype size)
{
    startSodium();
    // sodium_malloc places the bytes against a guard page and locks them; it needs a byte.
    void *memory = ::sodium_malloc(size_t(qMax<qsizetype>(size, 1)));
    if (!memory)
        qBadAlloc();
    m_data = static_cast<unsigned char *>(memory);
    m_size = size;
    ::sodium_memzero(m_data, size_t(qMax<qsizetype>(size, 1)));
    holdCoreDumpsOff();
}

SecretBytes::~SecretBytes()
{
    release();
}

SecretBytes::SecretBytes(SecretBytes &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

SecretBytes &SecretBytes::operator=(SecretBytes &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void SecretBytes::release()
{
    if (!m_data)
        return;
    // sodium_free overwrites the bytes before it gives the pages back.
    ::sodium_free(m_data);
    m_data = nullptr;
    m_size = 0;
    releaseCoreDumpsOff();
}

SecretBytes SecretBytes::fromPassphrase(QString &passphrase)
{
    // Encoded straight into the secret memory, so that no other UTF-8 copy is ever made.
    QStringEncoder encoder(QStringEncoder::Utf8);
    SecretBytes room(encoder.requiredSpace(passphrase.size()));
    char *start = reinterpret_cast<char *>(room.data());
    const qsizetype length = encoder.appendToBuffer(start, passphrase) - start;
    SecretBytes secret(length);
    std::copy_n(room.data(), length, secret.data());
    if (passphrase.isDetached()) {
        // Emptied in place: the wiped buffer stays the string's own until the string goes.
        ::sodium_memzero(passphrase.data(), size_t(passphrase.size()) * sizeof(QChar));
        passphrase.resize(0);
    } else {
        passphrase = QString();
    }
    return secret;
}

} // namespace qb
