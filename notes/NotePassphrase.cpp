#include "notes/NotePassphrase.h"

#include "notes/NoteSession.h"
#include "platform/Background.h"

namespace qb {

NotePassphrase::NotePassphrase(const NoteSession &session, QObject *parent) : QObject(parent)
{
    connect(&session, &NoteSession::shownChanged, this, &NotePassphrase::drop);
    connect(&session, &NoteSession::protectionChanged, this,
            [this](NoteSession::Protection protection) {
                if (protection != NoteSession::Protection::Decrypted)
                    drop();
            });
}

NotePassphrase::~NotePassphrase()
{
    m_next.waitForFinished();
    drop();
}

void NotePassphrase::hold(SecretBytes passphrase)
{
    drop();
    m_passphrase = std::make_shared<const SecretBytes>(std::move(passphrase));
    deriveNext();
}

void NotePassphrase::deriveNext()
{
    m_next = runInBackground<std::shared_ptr<AgeWrapKey>>(
        [passphrase = m_passphrase](QPromise<std::shared_ptr<AgeWrapKey>> &promise) {
            promise.addResult(std::make_shared<AgeWrapKey>(prepareAgeKey(*passphrase)));
        });
}

AgeWrapKey NotePassphrase::takeKeyForSave()
{
    if (!m_passphrase)
        return {};
    m_next.waitForFinished();
    const std::shared_ptr<AgeWrapKey> key =
        m_next.resultCount() > 0 ? m_next.takeResult() : nullptr;
    deriveNext();
    return key ? std::move(*key) : AgeWrapKey();
}

void NotePassphrase::drop()
{
    // A derivation under way holds its own share of the passphrase, wiped when it ends a moment
    // later: the window does not wait for it.
    m_next.cancel();
    m_next = {};
    m_passphrase.reset();
}

} // namespace qb
