#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qb {

// The window titled "Passphrase": one hidden field to decrypt; to encrypt, "&Passphrase:" and
// "&Again:", OK only once both hold the same. Enter means OK. `about`, when given, says above
// the fields what the passphrase is for.
class PassphraseDialog final : public QDialog
{
public:
    enum class Purpose { Encrypt, Decrypt };
    explicit PassphraseDialog(Purpose purpose, QWidget *parent = nullptr,
                              const QString &about = {});
    ~PassphraseDialog() override;

    // The passphrase typed; the fields are emptied, so that no other copy is left in them.
    QString takePassphrase();

    QLineEdit *passphraseField() const { return m_passphrase; }
    QLineEdit *repeatField() const { return m_again; }
    QPushButton *okButton() const { return m_ok; }

private:
    void check();

    QLineEdit *m_passphrase;
    QLineEdit *m_again = nullptr;
    QLabel *m_mismatch = nullptr;
    QPushButton *m_ok;
};

} // namespace qb
