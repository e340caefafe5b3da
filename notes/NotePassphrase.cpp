#include "notes/NotePassphrase.h"

#include "notes/NoteSession.h"
#include "platform/Background.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>

namespace qb {
namespace {

// How long after a save the key of the next one is derived.
constexpr int kDeriveAfterSave = 500;

} // namespace

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
    if (m_next)
        m_next->waitForFinished();
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
    // A save soon after the last, or after Decrypt, waits for the key's derivation, the window
    // answering and repainting meanwhile; what the user types waits until the save is done, as
    // during a question the save asks.
    const std::shared_ptr<const SecretBytes> held = m_passphrase;
    if (!m_next) // asked for before it was due
        deriveNext();
    QFuture<std::shared_ptr<AgeWrapKey>> next = *m_next;
    if (!next.isFinished()) {
        QEventLoop wait;
        QFutureWatcher<std::shared_ptr<AgeWrapKey>> watcher;
        connect(&watcher, &QFutureWatcherBase::finished, &wait, &QEventLoop::quit);
        watcher.setFuture(next);
        if (!next.isFinished())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // Dropped or replaced meanwhile: there is no key to save with.
    if (m_passphrase != held)
        return {};
    const std::shared_ptr<AgeWrapKey> key = next.resultCount() > 0 ? next.takeResult() : nullptr;
    m_next.reset();
    // The next key is derived once this save is done: while the derivation first touches the
    // memory it works in, the system holds up the window's own requests for memory.
    QTimer::singleShot(kDeriveAfterSave, this, [this, held] {
        if (m_passphrase == held && !m_next)
            deriveNext();
    });
    return key ? std::move(*key) : AgeWrapKey();
}

void NotePassphrase::drop()
{
    // A derivation under way holds its own share of the passphrase, wiped when it ends a moment
    // later: the window does not wait for it.
    if (m_next)
        m_next->cancel();
    m_next.reset();
    m_passphrase.reset();
}

} // namespace qb
