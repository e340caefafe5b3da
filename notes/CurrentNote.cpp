#include "notes/CurrentNote.h"

#include "editor/DocumentText.h"
#include "editor/NoteEditor.h"
#include "notes/NoteLoader.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSaver.h"
#include "notes/NoteSession.h"
#include "notes/NoteSize.h"
#include "platform/LongCommand.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <limits>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QString CharacterName(char32_t c)
{
    const QString code = u"U+%1"_s.arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000))
        return code;
    return u"\""_s + QString::fromUcs4(&c, 1) + u"\" ("_s + code + u")"_s;
}

// The same note, in UTF-8.
NoteFormat AsUtf8(NoteFormat format)
{
    format.encoding = TextEncoding::Utf8;
    format.byteOrderMark = false;
    return format;
}

} // namespace

QString Quoted(const QString &path)
{
    return u"\""_s + path + u"\""_s;
}

CurrentNote::CurrentNote(NoteSession &session, NoteEditor &editor, NoteNotice &notice,
                         Platform &platform, QObject *parent)
    : QObject(parent), m_session(session), m_editor(editor), m_notice(notice), m_platform(platform),
      m_loader(new NoteLoader(this)), m_savedBytes(editor)
{
    connect(m_loader, &NoteLoader::firstScreen, this, &CurrentNote::showFirstScreen);
    connect(m_loader, &NoteLoader::finished, this, &CurrentNote::fillLoaded);
    m_fillTimer.setSingleShot(true);
    connect(&m_fillTimer, &QTimer::timeout, this, &CurrentNote::fillSome);
}

void CurrentNote::reportFileError(const QString &what, const QString &reason, const QString &title)
{
    m_platform.messageBox(what + u"\r\n"_s + reason, Platform::Buttons::Ok,
                          Platform::Icon::Exclamation, title);
}

bool CurrentNote::acceptFileSize(const QString &path, const FileProbe &probe,
                                 const QString &refusal, const QString &title)
{
    if (probe.kind != FileProbe::Kind::Regular)
        return true; // the read that follows says what is wrong
    switch (JudgeNoteSize(probe.size, m_session.sizeLimits())) {
    case NoteSizeVerdict::Open:
        return true;
    case NoteSizeVerdict::Ask:
        return m_platform.messageBox(LargeNoteQuestion(path, probe.size), Platform::Buttons::YesNo,
                                     Platform::Icon::Question, title) == Platform::Button::Yes;
    case NoteSizeVerdict::Refuse:
        reportFileError(refusal + Quoted(path) + u"."_s, TooLargeNoteReason(probe.size), title);
        return false;
    }
    return false;
}

void CurrentNote::LoadNote(const QString &path, Asking asking)
{
    if (path.isEmpty())
        return;
    stopLoading();
    const FileProbe probe = ProbeFile(path);
    const bool accepted =
        asking == Asking::Allowed
            ? acceptFileSize(path, probe, u"Quirebox can't read the file "_s, u"Quirebox"_s)
            : probe.kind != FileProbe::Kind::Regular ||
                  JudgeNoteSize(probe.size, m_session.sizeLimits()) == NoteSizeVerdict::Open;
    if (!accepted) {
        showNoNoteInstead();
        return;
    }
    if (probe.size >= AsyncLoadBytes) {
        m_session.beginLoading(path);
        {
            const NoteSession::Replacing replacing(m_session);
            m_editor.dropLargeDocument();
            m_editor.clear();
        }
        m_savedBytes.reset();
        m_editor.setReadOnly(true);
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        m_busy = true;
        m_loader->start(path, m_session.sizeLimits().refuseAbove);
        return;
    }
    const NoteSession::Loaded loaded = m_session.load(path);
    if (!loaded.ok()) {
        showNoNoteInstead(path, loaded.error, asking);
        return;
    }
    showNote(loaded.note);
    settleLoaded(loaded.encoded, asking);
}

void CurrentNote::showFirstScreen(const DecodedNote &beginning)
{
    const NoteSession::Replacing replacing(m_session);
    m_firstScreen = beginning;
    NoteFiller(m_editor, beginning).fillFor(std::numeric_limits<int>::max());
    m_editor.setLineEnd(beginning.format.lineEnd);
}

void CurrentNote::fillLoaded()
{
    LoadedNote loaded = m_loader->takeResult();
    if (!loaded.error.isEmpty()) {
        showNoNoteInstead(m_session.path(), loaded.error);
        return;
    }
    // The first screen stays when the whole note starts with it, as it does unless something
    // after it decided the note's form otherwise.
    const bool firstScreenHolds = m_firstScreen.format == loaded.note.format &&
                                  loaded.note.text.startsWith(m_firstScreen.text);
    qsizetype shown = 0;
    {
        const NoteSession::Replacing replacing(m_session);
        if (firstScreenHolds)
            shown = m_firstScreen.text.size();
        else
            m_editor.clear();
    }
    m_firstScreen = {};
    m_savedBytes.prepare(loaded.note);
    m_editor.setLineEnd(loaded.note.format.lineEnd);
    m_loaded = std::move(loaded);
    m_filler = std::make_unique<NoteFiller>(m_editor, std::move(m_loaded.note), shown);
    fillSome();
}

void CurrentNote::fillSome()
{
    // A slice of work between the window's events, short enough that it answers at once.
    constexpr int Slice = 30;
    bool done = false;
    {
        const NoteSession::Replacing replacing(m_session);
        done = m_filler->fillFor(Slice);
    }
    Q_EMIT loadProgress(m_filler->percentDone());
    if (!done) {
        m_fillTimer.start(0);
        return;
    }
    m_filler.reset();
    m_savedBytes.keepPrepared();
    endLoading();
    const bool encoded = m_loaded.encodedBytes.has_value();
    m_session.adoptLoaded(m_loaded.note.format, m_loaded.fingerprint,
                          std::move(m_loaded.encodedBytes));
    m_loaded = {};
    // The end of a load comes when it comes, unasked.
    settleLoaded(encoded, Asking::Never);
    showPlace();
    ReleaseFreedMemory();
}

void CurrentNote::endLoading()
{
    if (!m_busy)
        return;
    m_busy = false;
    QGuiApplication::restoreOverrideCursor();
    m_editor.setReadOnly(false);
}

void CurrentNote::cancelLoad()
{
    if (m_session.isLoading())
        showNoNoteInstead();
}

void CurrentNote::showNoNoteInstead(QString path, const QString &reason, Asking asking)
{
    // `path` is a copy: it may be the session's own, which ShowNoNote clears.
    ShowNoNote();
    m_session.DisableNoteSave();
    if (reason.isEmpty())
        return;
    if (asking == Asking::Allowed)
        reportFileError(u"Quirebox can't read the file "_s + Quoted(path) + u"."_s, reason,
                        u"Quirebox"_s);
    else
        m_notice.post(NoteNotice::Kind::Unreadable, CantReadText(path, reason));
}

void CurrentNote::stopLoading()
{
    if (!m_session.isLoading())
        return;
    m_loader->cancel();
    m_fillTimer.stop();
    m_filler.reset();
    m_savedBytes.reset();
    m_firstScreen = {};
    m_loaded = {};
    m_keptLine = -1;
    m_whenShown = {};
    endLoading();
}

void CurrentNote::reloadNote(Asking asking)
{
    const QString path = m_session.path();
    // What cannot be read is no newer text: the editor's is kept, the only copy there may be.
    if (const FileReader reader(path); !reader.isOpen()) {
        m_notice.post(NoteNotice::Kind::Unreadable, CantReadText(path, reader.error()));
        return;
    }
    if (asking == Asking::Never &&
        JudgeNoteSize(ProbeFile(path).size, m_session.sizeLimits()) != NoteSizeVerdict::Open) {
        m_notice.post(NoteNotice::Kind::ChangedOnDisk, ChangedOnDiskText());
        return;
    }
    m_keptLine = m_editor.textCursor().blockNumber();
    LoadNote(path, asking);
    if (!m_session.isLoading())
        showPlace();
}

void CurrentNote::whenShown(std::function<void()> action)
{
    m_whenShown = std::move(action);
    if (!m_session.isLoading())
        showPlace();
}

void CurrentNote::showPlace()
{
    const int line = std::exchange(m_keptLine, -1);
    const std::function<void()> action = std::exchange(m_whenShown, {});
    if (!m_session.isShown())
        return;
    if (line >= 0) {
        QTextDocument &document = *m_editor.document();
        m_editor.setTextCursor(
            QTextCursor(document.findBlockByNumber(std::min(line, document.blockCount() - 1))));
        m_editor.centerCursor();
    }
    if (action)
        action();
}

void CurrentNote::settleLoaded(bool encoded, Asking asking)
{
    m_session.DisableNoteSave();
    if (encoded) {
        m_session.SetNoteStatus(NoteStatus::Encoded);
        if (asking == Asking::Allowed)
            Q_EMIT encodedNoteLoaded();
        else
            m_notice.post(NoteNotice::Kind::Encoded, u"This note is encoded."_s);
    } else {
        m_session.SetNoteStatus(NoteStatus::Unchanged);
    }
}

void CurrentNote::ShowNoNote()
{
    stopLoading();
    {
        const NoteSession::Replacing replacing(m_session);
        m_editor.dropLargeDocument();
        m_editor.clear();
    }
    m_savedBytes.reset();
    m_session.showNoNote();
}

void CurrentNote::showNote(const DecodedNote &note)
{
    const LongCommand command(note.text.size() >= LongCommandBytes);
    const NoteSession::Replacing replacing(m_session);
    m_editor.dropLargeDocument();
    ShowNoteText(m_editor, note);
    m_editor.setLineEnd(note.format.lineEnd);
    m_savedBytes.keep(note);
}

NoteBytes CurrentNote::editorBytes() const
{
    return NoteBytesFromEditor(m_editor, m_session.format());
}

bool CurrentNote::SaveNote()
{
    if (m_session.status() == NoteStatus::Unchanged || !m_session.isShown())
        return true;
    const QString path = m_session.path();
    const LongCommand command(m_editor.document()->characterCount() >= LongCommandBytes);
    NoteFormat format = m_session.format();
    // The text goes to a temporary file as it is encoded; questions about the encoding come
    // once all of it went, and an answer that changes the encoding starts again.
    for (;;) {
        NoteSaver saver(path, format);
        m_savedBytes.encode(saver.encoder());
        saver.endText();
        if (const std::optional<char32_t> c = saver.unencodable()) {
            if (format.encoding == TextEncoding::Utf8) {
                reportFileError(u"Quirebox can't save the file "_s + Quoted(path) + u"."_s,
                                u"The note holds the character "_s + CharacterName(*c) +
                                    u", which no file can store."_s,
                                u"Quirebox"_s);
                return false;
            }
            const QString text = u"The file: \""_s + path +
                                 u"\" is stored in the Windows-1252 character set, "
                                 "which can't hold the character "_s +
                                 CharacterName(*c) + u".\r\nSave the file as UTF-8 instead?"_s;
            if (!askUtf8Instead(text))
                return false;
            format = AsUtf8(format);
            continue;
        }
        if (format.encoding == TextEncoding::Windows1252 && saver.readsBackAsUtf8()) {
            // Such bytes would open as UTF-8 next time, showing other characters than were saved.
            const QString text =
                u"The file: \""_s + path +
                u"\" is stored in the Windows-1252 character set, but "
                "its text would then be read back as UTF-8 and show other characters.\r\nSave "
                "the file as UTF-8 instead?"_s;
            if (!askUtf8Instead(text))
                return false;
            format = AsUtf8(format);
            continue;
        }
        if (!confirmOverwrite(path))
            return false;
        const WriteResult written = m_session.save(saver);
        if (!written.ok()) {
            reportFileError(u"Quirebox can't save the file "_s + Quoted(path) + u"."_s,
                            *written.error, u"Quirebox"_s);
            return false;
        }
        return true;
    }
}

bool CurrentNote::askUtf8Instead(const QString &text)
{
    return m_platform.messageBox(text, Platform::Buttons::OkCancel, Platform::Icon::Question,
                                 u"Save file?"_s) == Platform::Button::Ok;
}

bool CurrentNote::confirmOverwrite(const QString &path)
{
    const FingerprintCheck check = m_session.checkFile();
    if (check.outcome == FingerprintCheck::Outcome::Same)
        return true;
    const QString text =
        check.outcome == FingerprintCheck::Outcome::Unreadable
            ? u"The file: \""_s + path +
                  u"\" could not be read to check whether another program changed it.\r\n"_s +
                  check.error + u"\r\nOverwrite it with the text in the editor?"_s
            : u"The file: \""_s + path +
                  u"\" has been changed or removed by another program since it was "
                  "loaded.\r\nOverwrite it with the text in the editor?"_s;
    return m_platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                                 u"Save file?"_s) == Platform::Button::Yes;
}

QString CurrentNote::unsavedText(const QString &question) const
{
    return u"The file: "_s + Quoted(m_session.path()) + u" isn't saved.\r\n"_s + question;
}

CurrentNote::SaveAnswer CurrentNote::askToSave(const QString &question, const QString &title)
{
    return askToSave(unsavedText(question), Platform::Buttons::YesNoCancel,
                     Platform::Icon::Question, title);
}

CurrentNote::SaveAnswer CurrentNote::askToSave(const QString &text, Platform::Buttons buttons,
                                               Platform::Icon icon, const QString &title)
{
    if (!m_session.hasUnsavedEdits())
        return SaveAnswer::Unasked;
    switch (m_platform.messageBox(text, buttons, icon, title)) {
    case Platform::Button::Yes:
    case Platform::Button::Ok:
        // A save that did not happen keeps the edits, and whatever asked stops.
        return SaveNote() ? SaveAnswer::Saved : SaveAnswer::Cancelled;
    case Platform::Button::No:
        return SaveAnswer::Dropped;
    case Platform::Button::Cancel:
        break;
    }
    return SaveAnswer::Cancelled;
}

CurrentNote::SaveAnswer CurrentNote::askToLeave()
{
    return askToSave(u"Save this file before leaving it?"_s, u"Save file?"_s);
}

} // namespace qb
