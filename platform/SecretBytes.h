#pragma once

#include <QByteArrayView>
#include <QString>

namespace qb {

// Starts libsodium once for the whole process; every use of it goes through here first.
void startSodium();

// Secret bytes (a passphrase, a key) in memory of their own: guarded by inaccessible pages,
// locked out of the swap, overwritten when freed. While any is held, core dumps are off. Moves,
// never copies: a secret exists once.
class SecretBytes
{
public:
    SecretBytes() = default;
    // `size` zero bytes.
    explicit SecretBytes(qsizetype size);
    ~SecretBytes();
    SecretBytes(SecretBytes &&other) noexcept;
    SecretBytes &operator=(SecretBytes &&other) noexcept;
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;

    // The passphrase in UTF-8, taken out of `passphrase`: the string is left empty, and its
    // characters are overwritten where no other string shares them.
    static SecretBytes fromPassphrase(QString &passphrase);

    bool isNull() const { return m_data == nullptr; }
    qsizetype size() const { return m_size; }
    unsigned char *data() { return m_data; }
    const unsigned char *data() const { return m_data; }
    QByteArrayView view() const { return {m_data, m_size}; }

private:
    void release();

    unsigned char *m_data = nullptr;
    qsizetype m_size = 0;
};

} // namespace qb
