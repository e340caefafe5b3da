#include "notes/NoteSaveFlow.h"

#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"
#include "encoder/AgeFile.h"
#include "keeping/HistoryKeeper.h"
#include "notes/NotePassphrase.h"
#include "notes/NoteSaver.h"
#include "notes/NoteSession.h"
#include "platform/LongCommand.h"

#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QString characterName(char32_t c)
{
    const QString code = u"U+%1"_s.arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000))
        return code;
    return u"\""_s + QString::fromUcs4(&c, 1) + u"\" ("_s + code + u")"_s;
}

// An encrypted note's file: its armour is ASCII in lines ended by LF.
NoteFormat armourFormat()
{
    return {TextEncoding::Utf8, false, LineEnd::Lf};
}

// The same note, in UTF-8.
NoteFormat asUtf8(NoteFormat format)
{
    format.encoding = TextEncoding::Utf8;
    format.byteOrderMark = false;
    return format;
}

} // namespace

bool NoteSaveFlow::SaveNote()
{
    if (m_session.status() == NoteStatus::Unchanged || !m_session.isShown())
        return true;
    const LongCommand command(m_document.document().characterCount() >= kLongCommandBytes);
    // The text goes to a temporary file as it is encoded; questions about the encoding come
    // once all of it went, and an answer that changes the encoding starts again.
    NoteFormat format = m_session.format();
    Attempt attempt = saveIn(format);
    while (attempt == Attempt::AgainInUtf8) {
        format = asUtf8(format);
        attempt = saveIn(format);
    }
    return attempt == Attempt::Saved;
}

NoteSaveFlow::Attempt NoteSaveFlow::saveIn(const NoteFormat &format)
{
    const QString path = m_session.path();
    // A decrypted note's text is encoded in memory, and only its encryption is written.
    const bool encrypting = m_session.protection() == NoteSession::Protection::Decrypted;
    NoteSaver saver(path, encrypting ? armourFormat() : format);
    NoteEncoder clear(format);
    NoteEncoder &encoder = encrypting ? clear : saver.encoder();
    m_document.keptBytes().encode(encoder);
    if (const std::optional<char32_t> c = encoder.firstUnencodable())
        return cannotHold(path, *c, format);
    QByteArray clearBytes;
    if (encrypting) {
        clearBytes = clear.takeBytes();
        if (!encryptInto(saver, path, clearBytes))
            return Attempt::Failed;
    }
    saver.endText();
    if (format.encoding == TextEncoding::Windows1252 &&
        (encrypting ? readsBackAsUtf8(clearBytes) : saver.readsBackAsUtf8())) {
        // Such bytes would open as UTF-8 next time, showing other characters than were saved.
        return askUtf8Instead(u"The file: "_s + quoted(path) +
                              u" is stored in the Windows-1252 character set, but its text "
                              "would then be read back as UTF-8 and show other "
                              "characters.\r\nSave the file as UTF-8 instead?"_s);
    }
    if (!confirmOverwrite(path))
        return Attempt::Failed;
    return putInPlace(saver, path, format, encrypting) ? Attempt::Saved : Attempt::Failed;
}

NoteSaveFlow::Attempt NoteSaveFlow::cannotHold(const QString &path, char32_t c,
                                               const NoteFormat &format)
{
    if (format.encoding == TextEncoding::Utf8) {
        reportCantSave(path, u"The note holds the character "_s + characterName(c) +
                                 u", which no file can store."_s);
        return Attempt::Failed;
    }
    return askUtf8Instead(u"The file: "_s + quoted(path) +
                          u" is stored in the Windows-1252 character set, which can't "
                          "hold the character "_s +
                          characterName(c) + u".\r\nSave the file as UTF-8 instead?"_s);
}

bool NoteSaveFlow::encryptInto(NoteSaver &saver, const QString &path, const QByteArray &clearBytes)
{
    const QByteArray armour = encryptAge(clearBytes, m_passphrase.takeKeyForSave());
    if (armour.isEmpty()) {
        reportCantSave(path, u"The key of its passphrase could not be worked out: there is not "
                             "enough memory for it."_s);
        return false;
    }
    saver.encoder().appendBytes(armour);
    return true;
}

bool NoteSaveFlow::putInPlace(NoteSaver &saver, const QString &path, const NoteFormat &format,
                              bool encrypting)
{
    // What the file holds is taken hold of before the new bytes replace it, and kept as a
    // version after, off this thread.
    ReplacedNote replaced = ReplacedNote::open(path);
    const WriteResult written = m_session.save(saver);
    if ((written.ok() || written.replaced) && !replaced.isNothing())
        m_history.keepReplaced(path, std::move(replaced), m_platform.now());
    // The editor still shows the text in its own form, which the next save encrypts.
    if (encrypting)
        m_session.takeForm(format);
    if (!written.ok()) {
        reportCantSave(path, *written.error);
        return false;
    }
    return true;
}

void NoteSaveFlow::reportCantSave(const QString &path, const QString &why)
{
    m_platform.reportError(u"Quirebox can't save the file "_s + quoted(path) + u"."_s, why,
                           u"Quirebox"_s);
}

NoteSaveFlow::Attempt NoteSaveFlow::askUtf8Instead(const QString &text)
{
    const Platform::Button answer = m_platform.messageBox(
        text, Platform::Buttons::OkCancel, Platform::Icon::Question, u"Save file?"_s);
    return answer == Platform::Button::Ok ? Attempt::AgainInUtf8 : Attempt::Failed;
}

bool NoteSaveFlow::confirmOverwrite(const QString &path)
{
    const FingerprintCheck check = m_session.checkFile();
    if (check.outcome == FingerprintCheck::Outcome::Same)
        return true;
    const QString text =
        check.outcome == FingerprintCheck::Outcome::Unreadable
            ? u"The file: "_s + quoted(path) +
                  u" could not be read to check whether another program changed it.\r\n"_s +
                  check.error + u"\r\nOverwrite it with the text in the editor?"_s
            : u"The file: "_s + quoted(path) +
                  u" has been changed or removed by another program since it was "
                  "loaded.\r\nOverwrite it with the text in the editor?"_s;
    return m_platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                                 u"Save file?"_s) == Platform::Button::Yes;
}

UnsavedEdits::Answer NoteSaveFlow::askToSave(const QString &question, const QString &title)
{
    return askToSave(u"The file: "_s + quoted(m_session.path()) + u" isn't saved.\r\n"_s + question,
                     Platform::Buttons::YesNoCancel, Platform::Icon::Question, title);
}

UnsavedEdits::Answer NoteSaveFlow::askToSave(const QString &text, Platform::Buttons buttons,
                                             Platform::Icon icon, const QString &title)
{
    if (!m_session.hasUnsavedEdits())
        return Answer::Unasked;
    switch (m_platform.messageBox(text, buttons, icon, title)) {
    case Platform::Button::Yes:
    case Platform::Button::Ok:
        // A save that did not happen keeps the edits, and whatever asked stops.
        return SaveNote() ? Answer::Saved : Answer::Cancelled;
    case Platform::Button::No:
        return Answer::Dropped;
    case Platform::Button::Cancel:
        break;
    }
    return Answer::Cancelled;
}

} // namespace qb
