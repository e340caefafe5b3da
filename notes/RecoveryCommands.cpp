#include "notes/RecoveryCommands.h"

#include "book/Book.h"
#include "notes/HistoryKeeper.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteSize.h"
#include "notes/RecoveryStore.h"
#include "notes/SaveLeftovers.h"
#include "platform/Platform.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

bool answeredYes(Platform &platform, const QString &text)
{
    return platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Question,
                               u"Quirebox"_s, Platform::Button::Yes) == Platform::Button::Yes;
}

} // namespace

void RecoveryCommands::offerForBook()
{
    QStringList dirs;
    for (int row = 1; row <= m_book.state().FolderCount; ++row) {
        const QString dir = m_book.folderDir(row);
        if (!dir.isEmpty() && !dirs.contains(dir))
            dirs << dir;
    }
    offerCopies(dirs);
    for (const QString &dir : std::as_const(dirs))
        offerLeftoversIn(dir);
}

void RecoveryCommands::offerCopies(const QStringList &dirs)
{
    for (const RecoveryEntry &entry : m_store.list(dirs).entries) {
        if (entry.isDamaged()) {
            if (!m_damageTold.contains(entry.file)) {
                m_damageTold.insert(entry.file);
                m_platform.reportError(
                    u"Quirebox can't restore the unsaved changes of the note "_s +
                        quoted(entry.notePath) + u": their copy "_s + quoted(entry.file) +
                        u" is damaged. It is kept."_s,
                    entry.damage, u"Quirebox"_s);
            }
            continue;
        }
        const RecoveryRead read = m_store.readFile(entry.file);
        if (!read.copy)
            continue;
        const RecoveryCopy &copy = *read.copy;
        const bool changedSince = checkFingerprint(copy.notePath, copy.noteFile).outcome !=
                                  FingerprintCheck::Outcome::Same;
        const QString text =
            u"Quirebox ended while the note "_s + quoted(copy.notePath) +
            u" had unsaved changes."_s +
            (changedSince ? u" The note has been changed on disk since."_s : QString()) +
            u"\r\nRestore them?"_s;
        const bool yes = answeredYes(m_platform, text);
        // Kept either way before it goes: the restored text is but unsaved edits.
        if (!keepInHistory(copy.notePath, copy.bytes))
            continue;
        if (yes)
            restore(copy.notePath, copy.bytes, copy.format);
        m_store.removeFile(entry.file);
    }
}

void RecoveryCommands::offerLeftoversIn(const QString &dir)
{
    const qint64 largest = NoteSizeLimits::forThisMachine().refuseAbove;
    for (const SaveLeftover &leftover : findSaveLeftovers(dir).leftovers) {
        if (leftover.notePath.isEmpty())
            continue; // no note to give it back to
        const LeftoverCheck check = compareLeftover(leftover);
        if (check.outcome == LeftoverCheck::Outcome::Same) {
            removeSaveLeftover(leftover);
            continue;
        }
        const ReadResult read = readSaveLeftover(leftover, largest);
        if (!read.ok())
            continue;
        const QString text = u"A save of the note "_s + quoted(leftover.notePath) +
                             u" was cut short: an interrupted save left newer text than the "
                             "note holds.\r\nRestore it?"_s;
        const bool yes = answeredYes(m_platform, text);
        // Kept either way before it goes: the restored text is but unsaved edits.
        if (!keepInHistory(leftover.notePath, read.bytes))
            continue;
        if (yes)
            restore(leftover.notePath, read.bytes, std::nullopt);
        removeSaveLeftover(leftover);
    }
}

bool RecoveryCommands::keepInHistory(const QString &notePath, const QByteArray &bytes)
{
    // After the versions on their way, so that this one is the newest.
    m_history.waitForDone();
    const KeptVersion kept =
        NoteHistory(m_history.root()).keep(notePath, bytes, m_platform.now().toMSecsSinceEpoch());
    if (kept.ok())
        return true;
    m_platform.reportError(u"Quirebox can't keep the text of the note "_s + quoted(notePath) +
                               u" in its history, and keeps it where it is."_s,
                           *kept.error, u"Quirebox"_s);
    return false;
}

void RecoveryCommands::restore(const QString &notePath, const QByteArray &bytes,
                               const std::optional<NoteFormat> &format)
{
    m_noteList.showNotePath(notePath, [this, notePath, bytes, format](bool shown) {
        if (!shown) {
            m_platform.messageBox(u"Quirebox can't show the note "_s + quoted(notePath) +
                                      u": it is no longer in a folder of the book. The text is "
                                      "kept in the note's history."_s,
                                  Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                  u"Quirebox"_s);
            return;
        }
        m_display.whenShown([this, bytes, format] { m_display.replaceWithBytes(bytes, format); });
    });
}

} // namespace qb
