#include "notes/HistoryCommands.h"

#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"
#include "encoder/PassphraseCommands.h"
#include "keeping/HistoryDialog.h"
#include "keeping/HistoryKeeper.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteSession.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <QLocale>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

void HistoryCommands::showHistory()
{
    if (!m_session.isShown())
        return;
    const QString path = m_session.path();
    const QString title = u"Note History"_s;
    // A version of the last save may still be on its way.
    m_history.waitForDone();
    const QList<NoteVersion> versions = NoteHistory(m_history.root()).versions(path);
    if (versions.isEmpty()) {
        m_platform.messageBox(u"No earlier version of the note "_s + quoted(path) +
                                  u" is kept yet: a version is kept each time a save replaces "
                                  "the note's file."_s,
                              Platform::Buttons::Ok, Platform::Icon::Information, title);
        return;
    }
    const qint64 largest = m_session.sizeLimits().refuseAbove;
    const auto read = [largest](const NoteVersion &version) {
        const LongCommand command(version.size >= kLongCommandBytes);
        return NoteHistory::read(version, largest);
    };
    const QTextDocument &document = m_document.document();
    HistoryDialog dialog(m_session.noteName(), versions, read,
                         noteTextOf(document, 0, int(documentTextLength(document))).text,
                         &m_dialogParent);
    if (m_platform.execDialog(dialog) != QDialog::Accepted || dialog.selectedRow() < 0)
        return;
    const NoteVersion &chosen = versions.at(dialog.selectedRow());
    const VersionBytes version = read(chosen);
    if (!version.ok()) {
        m_platform.reportError(
            u"Quirebox can't read the version of "_s + quoted(path) + u" kept at "_s +
                QLocale().toString(chosen.taken().toLocalTime(), QLocale::ShortFormat) + u"."_s,
            version.error, title);
        return;
    }
    restore(version.bytes);
}

void HistoryCommands::restore(const QByteArray &bytes)
{
    switch (m_session.protection()) {
    case NoteSession::Protection::None:
        m_display.replaceWithBytes(bytes);
        return;
    case NoteSession::Protection::Armour:
        m_platform.messageBox(u"Decrypt the note to put one of its versions back."_s,
                              Platform::Buttons::Ok, Platform::Icon::Information,
                              u"Note History"_s);
        return;
    case NoteSession::Protection::Decrypted:
        // A version kept in the clear (from before the note was encrypted) goes in as it is:
        // the next save encrypts it.
        if (noteKindOf(bytes) != ShowableNote::Kind::Encrypted)
            m_display.replaceWithBytes(bytes);
        else
            m_passphrases.decryptVersion(
                bytes, [this](const QByteArray &plain) { m_display.replaceWithBytes(plain); });
        return;
    }
}

} // namespace qb
