// Loading the current note into the editor and writing it back.

#include "notes/NoteCommands.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "encoder/EncodedNote.h"
#include "encoder/EncoderCommands.h"
#include "platform/BusyCursor.h"
#include "platform/Platform.h"
#include "platform/SafeFile.h"

#include <QComboBox>
#include <QLabel>
#include <QTextDocument>

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

} // namespace

QString Quoted(const QString &path)
{
    return u"\""_s + path + u"\""_s;
}

void NoteCommands::ReportFileError(const QString &what, const QString &reason,
                                   const QString &title)
{
    m_window.platform().messageBox(what + u"\r\n"_s + reason, Platform::Buttons::Ok,
                                   Platform::Icon::Exclamation, title);
}

bool NoteCommands::AcceptFileSize(const QString &path, const QString &what, const QString &title)
{
    const FileProbe probe = ProbeFile(path);
    if (probe.kind != FileProbe::Kind::Regular)
        return true; // the read that follows says what is wrong
    switch (JudgeNoteSize(probe.size, m_sizeLimits)) {
    case NoteSizeVerdict::Open:
        return true;
    case NoteSizeVerdict::Ask:
        return m_window.platform().messageBox(LargeNoteQuestion(path, probe.size),
                                              Platform::Buttons::YesNo, Platform::Icon::Question,
                                              title)
               == Platform::Button::Yes;
    case NoteSizeVerdict::Refuse:
        ReportFileError(what + Quoted(path) + u"."_s, TooLargeNoteReason(probe.size), title);
        return false;
    }
    return false;
}

void NoteCommands::LoadNote()
{
    const QString path = NotePath();
    if (path.isEmpty())
        return;
    const QString cantRead = u"Quirebox can't read the file "_s;
    if (!AcceptFileSize(path, cantRead, u"Quirebox"_s)) {
        ShowNoNote();
        DisableNoteSave();
        return;
    }
    const FileProbe probe = ProbeFile(path);
    const BusyCursor busy(probe.size >= BusyAboveBytes);
    const ReadResult read = ReadWholeFile(path, m_sizeLimits.refuseAbove);
    if (!read.ok()) {
        ShowUnreadableNote(path, read.error);
        return;
    }
    const DecodedNote note = DecodeNoteBytes(read.bytes);
    m_format = note.format;
    m_shownPath = path;
    m_shownFolderRow = SelectedFolderRow();
    m_shownNoteRow = m_window.lstFILE()->currentIndex();
    m_fingerprint = TakeFingerprint(path, read.bytes);
    ++m_replacingText;
    ShowNoteText(*m_window.txtTEXT(), note);
    --m_replacingText;
    m_edited = false;
    DisableNoteSave();
    if (IsNoteEncoded(read.bytes)) {
        SetNoteStatus(u"Encoded"_s, true);
        m_window.encoder().DecodeNote();
    } else {
        SetNoteStatus(u"Unchanged"_s, true);
    }
}

// Shows no note rather than the previous one, so that no save can write it into this file.
void NoteCommands::ShowUnreadableNote(const QString &path, const QString &reason)
{
    ShowNoNote();
    DisableNoteSave();
    ReportFileError(u"Quirebox can't read the file "_s + Quoted(path) + u"."_s, reason,
                    u"Quirebox"_s);
}

NoteBytes NoteCommands::CurrentNoteBytes() const
{
    return NoteBytesFromEditor(*m_window.txtTEXT(), m_format);
}

qint64 NoteCommands::ShownTextSize() const
{
    return m_window.txtTEXT()->document()->characterCount();
}

void NoteCommands::ShowNoteBytes(const QByteArray &bytes)
{
    const BusyCursor busy(bytes.size() >= BusyAboveBytes);
    const DecodedNote note = DecodeNoteBytes(bytes);
    m_format = note.format;
    ++m_replacingText;
    ShowNoteText(*m_window.txtTEXT(), note);
    --m_replacingText;
}

bool NoteCommands::SaveNote()
{
    if (NoteStatus() == u"Unchanged" || !NoteShown())
        return true;
    const QString path = m_shownPath;
    Platform &platform = m_window.platform();
    NoteFormat format = m_format;
    NoteBytes out = CurrentNoteBytes();
    if (out.unencodable) {
        const QString text =
            u"The file: \""_s + path + u"\" is stored in the Windows-1252 character set, which "
            "can't hold the character "_s + CharacterName(*out.unencodable)
            + u".\r\nSave the file as UTF-8 instead?"_s;
        if (platform.messageBox(text, Platform::Buttons::OkCancel, Platform::Icon::Question,
                                u"Save file?"_s)
            != Platform::Button::Ok) {
            return false;
        }
        format.encoding = TextEncoding::Utf8;
        format.byteOrderMark = false;
        out = NoteBytesFromEditor(*m_window.txtTEXT(), format);
        if (out.unencodable) {
            ReportFileError(u"Quirebox can't save the file "_s + Quoted(path) + u"."_s,
                            u"The note holds the character "_s
                                + CharacterName(*out.unencodable)
                                + u", which no file can store."_s,
                            u"Quirebox"_s);
            return false;
        }
    }
    if (format.encoding == TextEncoding::Windows1252 && ReadsBackAsUtf8(out.bytes)) {
        // Such bytes would open as UTF-8 next time, showing other characters than were saved.
        const QString text =
            u"The file: \""_s + path + u"\" is stored in the Windows-1252 character set, but "
            "its text would then be read back as UTF-8 and show other characters.\r\nSave the "
            "file as UTF-8 instead?"_s;
        if (platform.messageBox(text, Platform::Buttons::OkCancel, Platform::Icon::Question,
                                u"Save file?"_s)
            != Platform::Button::Ok) {
            return false;
        }
        format.encoding = TextEncoding::Utf8;
        format.byteOrderMark = false;
        out = NoteBytesFromEditor(*m_window.txtTEXT(), format);
    }
    const FingerprintCheck check = CheckFingerprint(path, m_fingerprint);
    if (check.outcome != FingerprintCheck::Outcome::Same) {
        const QString text =
            check.outcome == FingerprintCheck::Outcome::Unreadable
                ? u"The file: \""_s + path
                      + u"\" could not be read to check whether another program changed it.\r\n"_s
                      + check.error + u"\r\nOverwrite it with the text in the editor?"_s
                : u"The file: \""_s + path
                      + u"\" has been changed or removed by another program since it was "
                        "loaded.\r\nOverwrite it with the text in the editor?"_s;
        if (platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                                u"Save file?"_s)
            != Platform::Button::Yes) {
            return false;
        }
    }
    const BusyCursor busy(out.bytes.size() >= BusyAboveBytes);
    const WriteResult written = WriteWholeFile(path, out.bytes);
    if (written.replaced) {
        // The new bytes are in the file: a later save must not take them for another program's.
        m_format = format;
        m_fingerprint = TakeFingerprint(path, out.bytes);
    }
    if (!written.ok()) {
        ReportFileError(u"Quirebox can't save the file "_s + Quoted(path) + u"."_s, *written.error,
                        u"Quirebox"_s);
        return false;
    }
    m_format = format;
    m_fingerprint = TakeFingerprint(path, out.bytes);
    m_edited = false;
    SetNoteStatus(u"Unchanged"_s, true);
    return true;
}

void NoteCommands::F_mnuREFRESH_Click()
{
    if (HasUnsavedEdits()) {
        const QString text = UnsavedNoteText(u"Save this file before quitting?"_s);
        switch (m_window.platform().messageBox(text, Platform::Buttons::YesNoCancel,
                                               Platform::Icon::Question, u"Refresh"_s)) {
        case Platform::Button::Yes:
            // A save that did not happen keeps the edits on screen.
            if (!SaveNote())
                return;
            break;
        case Platform::Button::No:
            break;
        default:
            return;
        }
    }
    RefreshNoteList(m_window.lstFILE()->currentIndex());
    ShowNoFileSelected();
}

} // namespace qb
