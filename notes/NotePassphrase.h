#pragma once

#include "encoder/AgeFile.h"

#include <QFuture>
#include <QObject>

#include <memory>
#include <optional>

namespace qb {

class NoteSession;

// The passphrase of the note shown decrypted, in locked memory, held while that note is shown
// decrypted and wiped when another is shown or its encryption is removed; and the key its next
// save encrypts with, derived ahead with a new salt on a thread of the pool, so that a save
// seldom waits for the derivation.
class NotePassphrase final : public QObject
{
    Q_OBJECT
public:
    explicit NotePassphrase(const NoteSession &session, QObject *parent = nullptr);
    // Waits for a derivation under way: it holds the passphrase until it ends.
    ~NotePassphrase() override;

    bool isHeld() const { return m_passphrase != nullptr; }
    // The passphrase held, or none.
    std::shared_ptr<const SecretBytes> held() const { return m_passphrase; }
    // Holds `passphrase`, and derives the key of the next save.
    void hold(SecretBytes passphrase);
    // The key of one save, waited for if it is still being derived, with the window answering
    // but taking no input; the next one is then derived. Not valid when no passphrase is held.
    AgeWrapKey takeKeyForSave();
    void drop();

private:
    void deriveNext();

    std::shared_ptr<const SecretBytes> m_passphrase;
    std::optional<QFuture<std::shared_ptr<AgeWrapKey>>> m_next; // none until it is due
};

} // namespace qb
