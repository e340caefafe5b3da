#include "notes/RecoveryKeeper.h"

#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"
#include "keeping/RecoveryWriter.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "platform/Platform.h"

using namespace Qt::StringLiterals;

namespace qb {

RecoveryKeeper::RecoveryKeeper(const NoteSession &session, NoteDocument &document,
                               RecoveryWriter &writer, NoteNotice &notice, Platform &platform,
                               QObject *parent)
    : QObject(parent), m_session(session), m_document(document), m_writer(writer), m_notice(notice),
      m_platform(platform)
{
    connect(&writer, &RecoveryWriter::notWritten, this, &RecoveryKeeper::notWritten);
    connect(&session, &NoteSession::shownChanged, this, [this] { m_toldNotWritten = false; });
    m_lag.setSingleShot(true);
    m_lag.setInterval(kMaxLagMilliseconds);
    connect(&m_lag, &QTimer::timeout, this, &RecoveryKeeper::copy);
    connect(&session, &NoteSession::userEdited, this, &RecoveryKeeper::edited);
    connect(&session, &NoteSession::editsEnded, this, &RecoveryKeeper::drop);
    connect(&session, &NoteSession::secrecyChanged, this, [this](bool secret) {
        if (secret)
            drop(m_session.path());
    });
}

void RecoveryKeeper::drop(const QString &path)
{
    m_lag.stop();
    m_writer.discard(path);
    if (path == m_copied)
        m_copied.clear();
}

void RecoveryKeeper::notWritten(const QString &notePath, const QString &reason)
{
    if (m_toldNotWritten || !m_session.isShown() || recoveryNoteKey(m_session.path()) != notePath)
        return;
    // Never in place of a notice the user has to act on: told at the next copy that fails.
    switch (m_notice.kind()) {
    case NoteNotice::Kind::None:
    case NoteNotice::Kind::Info:
    case NoteNotice::Kind::FolderInfo:
        break;
    default:
        return;
    }
    m_toldNotWritten = true;
    m_notice.post(NoteNotice::Kind::Info, u"Unsaved text can't be kept for a crash: "_s + reason);
}

void RecoveryKeeper::edited()
{
    // Not restarted by every key: while the user types on, a copy is still taken every two
    // seconds.
    if (m_enabled && !m_lag.isActive())
        m_lag.start();
}

void RecoveryKeeper::copy()
{
    if (!m_session.hasUnsavedEdits() || m_session.keepsTextSecret())
        return;
    RecoveryCopy copy;
    copy.notePath = m_session.path();
    copy.format = m_session.format();
    copy.noteFile = m_session.fingerprint();
    copy.taken = m_platform.now();
    NoteEncoder encoder(copy.format);
    m_document.keptBytes().encode(encoder);
    if (encoder.ok()) {
        copy.bytes = encoder.takeBytes();
    } else {
        // A character the note's encoding cannot hold, which a save would ask about: the copy
        // keeps the text in UTF-8, as the save would then write it.
        copy.format.encoding = TextEncoding::Utf8;
        copy.format.byteOrderMark = false;
        copy.bytes = m_document.bytes(copy.format).bytes;
    }
    m_copied = copy.notePath;
    m_writer.schedule(std::move(copy));
}

void RecoveryKeeper::writeNow()
{
    if (m_session.hasUnsavedEdits())
        copy();
    m_writer.flush();
}

void RecoveryKeeper::discardAll()
{
    m_lag.stop();
    if (!m_copied.isEmpty())
        m_writer.discard(std::exchange(m_copied, {}));
    m_writer.waitForDone();
}

} // namespace qb
