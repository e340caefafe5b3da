#include "notes/NoteDisplay.h"

#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"
#include "editor/NoteView.h"
#include "editor/SlicedFill.h"
#include "notes/NoteNotice.h"
#include "notes/NotePassphrase.h"
#include "notes/NoteSession.h"
#include "notes/NoteSize.h"
#include "platform/Allocator.h"
#include "platform/Background.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <limits>

using namespace Qt::StringLiterals;

namespace qb {

NoteDisplay::NoteDisplay(NoteSession &session, NoteDocument &document, NoteView &view,
                         NoteNotice &notice, NotePassphrase &passphrase, Platform &platform,
                         QObject *parent)
    : QObject(parent), m_session(session), m_document(document), m_view(view), m_notice(notice),
      m_passphrase(passphrase), m_platform(platform), m_loader(new NoteLoader(this)),
      m_fill(new SlicedFill(
          document,
          [this](const std::function<void()> &slice) {
              const NoteSession::Replacing replacing(m_session);
              slice();
          },
          this))
{
    connect(m_loader, &NoteLoader::firstScreen, this, &NoteDisplay::showFirstScreen);
    connect(m_loader, &NoteLoader::finished, this, &NoteDisplay::fillLoaded);
    connect(m_fill, &SlicedFill::progress, this, &NoteDisplay::loadProgress);
    // The document counts as unmodified at the text last read or saved: an Undo or a Redo
    // that puts that text back ends the edits.
    connect(&document, &NoteDocument::contentsChanged, &session,
            [this] { m_session.textChanged(!m_document.document().isModified()); });
    connect(&session, &NoteSession::saved, this,
            [this] { m_document.document().setModified(false); });
    connect(&session, &NoteSession::protectionChanged, this, &NoteDisplay::updateReadOnly);
    // Held only while the note shown is decoded and secret.
    connect(&session, &NoteSession::shownChanged, this, [this] { m_keyword.reset(); });
    connect(&session, &NoteSession::secrecyChanged, this, [this](bool secret) {
        if (!secret)
            m_keyword.reset();
    });
}

NoteDisplay::~NoteDisplay() = default;

bool NoteDisplay::acceptFileSize(const QString &path, const FileProbe &probe,
                                 const QString &refusal, const QString &title)
{
    if (probe.kind != FileProbe::Kind::Regular)
        return true; // the read that follows says what is wrong
    switch (judgeNoteSize(probe.size, m_session.sizeLimits())) {
    case NoteSizeVerdict::Open:
        return true;
    case NoteSizeVerdict::Ask:
        return m_platform.messageBox(largeNoteQuestion(path, probe.size), Platform::Buttons::YesNo,
                                     Platform::Icon::Question, title) == Platform::Button::Yes;
    case NoteSizeVerdict::Refuse:
        m_platform.reportError(refusal + quoted(path) + u"."_s, tooLargeNoteReason(probe.size),
                               title);
        return false;
    }
    return false;
}

void NoteDisplay::LoadNote(const QString &path, Asking asking)
{
    if (path.isEmpty())
        return;
    stopLoading();
    const FileProbe probe = probeFile(path);
    const bool accepted =
        asking == Asking::Allowed
            ? acceptFileSize(path, probe, u"Quirebox can't read the file "_s, u"Quirebox"_s)
            : probe.kind != FileProbe::Kind::Regular ||
                  judgeNoteSize(probe.size, m_session.sizeLimits()) == NoteSizeVerdict::Open;
    if (!accepted) {
        showNoNoteInstead();
        return;
    }
    if (probe.size >= kAsyncLoadBytes) {
        m_session.beginLoading(path);
        {
            const NoteSession::Replacing replacing(m_session);
            m_document.clear();
        }
        m_document.keptBytes().reset();
        beginBusy();
        m_loader->start(path, m_session.sizeLimits().refuseAbove);
        return;
    }
    const NoteSession::Loaded loaded = m_session.load(path);
    if (!loaded.ok()) {
        showNoNoteInstead(path, loaded.error, asking);
        return;
    }
    showNote(loaded.note);
    settleLoaded(loaded.kind, asking);
    if (m_session.isShown())
        Q_EMIT shownWhole();
}

void NoteDisplay::showFirstScreen(const DecodedNote &beginning)
{
    const NoteSession::Replacing replacing(m_session);
    m_firstScreen = beginning;
    NoteFiller(m_document, beginning).fillFor(std::numeric_limits<int>::max());
    m_view.setLineEnd(beginning.format.lineEnd);
}

void NoteDisplay::fillLoaded()
{
    LoadedNote loaded = m_loader->takeResult();
    if (!loaded.error.isEmpty()) {
        showNoNoteInstead(m_session.path(), loaded.error);
        return;
    }
    // The first screen stays when the whole note starts with it, as it does unless something
    // after it decided the note's form otherwise, and when it ends a line: the end of a long
    // line may be shown in other display lines once the line goes on.
    const DecodedNote &note = loaded.showable.note;
    const QString &first = m_firstScreen.text;
    const bool firstScreenHolds = m_firstScreen.format == note.format &&
                                  note.text.startsWith(first) &&
                                  (first.endsWith(u'\n') || first.size() == note.text.size());
    qsizetype shown = 0;
    {
        const NoteSession::Replacing replacing(m_session);
        if (firstScreenHolds)
            shown = m_firstScreen.text.size();
        else
            m_document.clear();
    }
    m_firstScreen = {};
    m_loaded = std::move(loaded);
    fillInPieces(m_loaded.showable.note, shown, [this] {
        ShowableNote &showable = m_loaded.showable;
        m_session.adoptLoaded(m_loaded.fingerprint, showable.kind, showable.note.format,
                              std::move(showable.fileBytes));
        // The end of a load comes when it comes, unasked.
        settleLoaded(showable.kind, Asking::Never);
        if (m_session.isShown())
            Q_EMIT shownWhole();
    });
}

bool NoteDisplay::isFilling() const
{
    return m_session.isLoading() || m_fill->isRunning();
}

void NoteDisplay::fillInPieces(const DecodedNote &note, qsizetype shown,
                               std::function<void()> after)
{
    m_view.setLineEnd(note.format.lineEnd);
    m_fill->start(note, shown, [this, after = std::move(after)] {
        // Settled before the keys held meanwhile are let go.
        after();
        endLoading();
        freeInBackground(std::exchange(m_loaded, {}));
        showPlace();
        releaseFreedMemory();
    });
}

void NoteDisplay::updateReadOnly()
{
    // Keys typed meanwhile are typed into the note once it is in.
    m_view.holdKeys(m_busy || m_held);
    m_view.setEditable(!m_busy && !m_held &&
                       m_session.protection() != NoteSession::Protection::Armour);
}

void NoteDisplay::holdEdits(bool hold)
{
    if (m_held == hold)
        return;
    m_held = hold;
    if (hold)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
    updateReadOnly();
}

void NoteDisplay::beginBusy()
{
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_busy = true;
    updateReadOnly();
}

void NoteDisplay::endLoading()
{
    if (!m_busy)
        return;
    m_busy = false;
    QGuiApplication::restoreOverrideCursor();
    updateReadOnly();
}

void NoteDisplay::cancelLoad()
{
    if (m_session.isLoading()) {
        showNoNoteInstead();
    } else if (isFilling()) {
        // A note being decrypted: its armour comes back.
        stopLoading();
        LoadNote(m_session.path(), Asking::Never);
    }
}

void NoteDisplay::showNoNoteInstead(QString path, const QString &reason, Asking asking)
{
    // `path` is a copy: it may be the session's own, which showNone clears.
    showNone();
    m_session.DisableNoteSave();
    if (reason.isEmpty())
        return;
    if (asking == Asking::Allowed)
        m_platform.reportError(u"Quirebox can't read the file "_s + quoted(path) + u"."_s, reason,
                               u"Quirebox"_s);
    else
        m_notice.post(NoteNotice::Kind::Unreadable, cantReadText(path, reason));
}

void NoteDisplay::stopLoading()
{
    if (!isFilling())
        return;
    m_loader->cancel();
    m_fill->stop();
    m_document.keptBytes().reset();
    m_firstScreen = {};
    freeInBackground(std::exchange(m_loaded, {}));
    m_keptPlace.reset();
    m_whenShown = {};
    endLoading();
}

void NoteDisplay::reloadNote(Asking asking)
{
    const QString path = m_session.path();
    // What cannot be read is no newer text: the editor's is kept, the only copy there may be.
    if (const FileReader reader(path); !reader.isOpen()) {
        m_notice.post(NoteNotice::Kind::Unreadable, cantReadText(path, reader.error()));
        return;
    }
    if (asking == Asking::Never &&
        judgeNoteSize(probeFile(path).size, m_session.sizeLimits()) != NoteSizeVerdict::Open) {
        m_notice.post(NoteNotice::Kind::ChangedOnDisk, changedOnDiskText());
        return;
    }
    const QTextCursor caret = m_view.caret();
    m_keptPlace = {caret.blockNumber(), caret.positionInBlock()};
    LoadNote(path, asking);
    if (!isFilling())
        showPlace();
}

bool NoteDisplay::readAgainAsEdit()
{
    if (!m_session.isShown() || m_session.keepsTextSecret() || !m_view.acceptsEdits())
        return false;
    const QString path = m_session.path();
    const FileProbe probe = probeFile(path);
    if (probe.kind != FileProbe::Kind::Regular || probe.size >= kAsyncLoadBytes)
        return false;
    const ReadResult read = readWholeFile(path, m_session.sizeLimits().refuseAbove);
    if (!read.ok() || noteKindOf(read.bytes) != ShowableNote::Kind::Plain)
        return false;
    const NoteFingerprint fingerprint = takeFingerprint(path, read.bytes);
    const QTextCursor caret = m_view.caret();
    m_keptPlace = {caret.blockNumber(), caret.positionInBlock()};
    if (!replaceWithBytes(read.bytes))
        return false;
    m_session.takeFile(fingerprint, read.bytes);
    m_session.settleAsRead();
    m_document.document().setModified(false);
    showPlace();
    return true;
}

void NoteDisplay::whenShown(std::function<void()> action)
{
    m_whenShown = std::move(action);
    if (!isFilling())
        showPlace();
}

void NoteDisplay::showPlace()
{
    const std::optional<KeptPlace> place = std::exchange(m_keptPlace, std::nullopt);
    const std::function<void()> action = std::exchange(m_whenShown, {});
    if (!m_session.isShown())
        return;
    if (place) {
        const QTextDocument &document = m_document.document();
        const QTextBlock block =
            document.findBlockByNumber(std::min(place->line, document.blockCount() - 1));
        QTextCursor caret(block);
        caret.setPosition(block.position() + std::min(place->column, block.length() - 1));
        m_view.setCaret(caret, true);
    }
    if (action)
        action();
}

void NoteDisplay::settleLoaded(ShowableNote::Kind kind, Asking asking)
{
    m_session.DisableNoteSave();
    switch (kind) {
    case ShowableNote::Kind::Plain:
        m_session.SetNoteStatus(NoteStatus::Unchanged);
        return;
    case ShowableNote::Kind::Encoded:
        m_session.SetNoteStatus(NoteStatus::Encoded);
        if (asking == Asking::Allowed)
            Q_EMIT encodedNoteLoaded();
        else
            m_notice.post(NoteNotice::Kind::Encoded, u"This note is encoded."_s);
        return;
    case ShowableNote::Kind::Encrypted:
        // Its armour is read, not edited: Decrypt shows the text to work on.
        m_session.SetNoteStatus(NoteStatus::Encrypted);
        m_notice.post(NoteNotice::Kind::Encrypted, u"This note is encrypted."_s);
        return;
    }
}

void NoteDisplay::showNone()
{
    stopLoading();
    {
        const NoteSession::Replacing replacing(m_session);
        m_document.clear();
    }
    m_document.keptBytes().reset();
    m_session.forgetNote();
}

void NoteDisplay::showNote(const DecodedNote &note)
{
    const LongCommand command(note.text.size() >= kLongCommandBytes);
    const NoteSession::Replacing replacing(m_session);
    m_document.dropLarge();
    m_document.showNote(note);
    m_view.setLineEnd(note.format.lineEnd);
    m_document.keptBytes().keep(note);
}

bool NoteDisplay::replaceWithBytes(const QByteArray &bytes, const std::optional<NoteFormat> &format)
{
    if (!m_session.isShown() || !m_view.acceptsEdits())
        return false;
    const DecodedNote note = format ? decodeNoteBytes(bytes, *format) : decodeNoteBytes(bytes);
    m_session.takeForm(note.format);
    m_document.keptBytes().reset(note.format);
    m_view.setLineEnd(note.format.lineEnd);
    QTextCursor all(&m_document.document());
    all.select(QTextCursor::Document);
    m_document.insert(all, note, note.format.lineEnd);
    m_view.setCaret(QTextCursor(&m_document.document()), false);
    if (m_session.protection() == NoteSession::Protection::Decrypted)
        m_session.SetNoteStatus(NoteStatus::Decrypted);
    return true;
}

bool NoteDisplay::replaceLines(const QList<ReplacedLines> &changes)
{
    if (!m_session.isShown() || !m_view.acceptsEdits())
        return false;
    QTextCursor caret(&m_document.document());
    caret.setPosition(m_document.replaceLines(changes, m_session.format().lineEnd));
    m_view.setCaret(caret, false);
    if (m_session.protection() == NoteSession::Protection::Decrypted)
        m_session.SetNoteStatus(NoteStatus::Decrypted);
    return true;
}

int NoteDisplay::textRevision() const
{
    return m_document.document().revision();
}

void NoteDisplay::holdKeys(bool hold)
{
    m_view.holdKeys(hold);
}

bool NoteDisplay::replaceWithEncoded(const QByteArray &encoded)
{
    if (!replaceWithBytes(encoded))
        return false;
    m_keyword.reset();
    m_session.takeForm(m_session.format(), encoded);
    m_session.SetNoteStatus(NoteStatus::Encoded);
    return true;
}

} // namespace qb
