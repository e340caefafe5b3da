// Use Merged: the merged note put into the editor, only the lines it changes, worked out off the
// window's thread.
#include "notes/MergeCommands.h"

#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"
#include "keeping/LineDiff.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteSession.h"
#include "platform/Background.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace qb {

void MergeCommands::useMerged(const QByteArray &merged, const Sides &sides,
                              std::function<void()> then, const std::optional<Placed> &ready)
{
    // An encoded note stays encoded with its keyword: a save writes no clear text.
    if (sides.keyword) {
        const std::optional<QByteArray> body =
            KeyWordCipher(merged, sides.keyword->view(), CipherDirection::Encipher);
        if (!body) {
            m_platform.messageBox(u"Unable to Encode the text."_s, Platform::Buttons::Ok,
                                  Platform::Icon::Critical, u"Merge"_s);
            return;
        }
        if (m_display.replaceWithEncoded(encodedNoteBytes(*body)))
            then();
        return;
    }
    // Only the lines that differ from the editor's are put in: the rest keeps its layout, which
    // for a large note would take the window long to make again.
    const NoteFormat format = m_session.format();
    auto place = [this, sides, merged, format, then = std::move(then)](const Placed &placed) {
        if (!m_session.isShown() || m_session.path() != sides.notePath)
            return;
        if (m_display.textRevision() != sides.revision) {
            m_platform.messageBox(u"The note was changed while it was merged: merge it again."_s,
                                  Platform::Buttons::Ok, Platform::Icon::Information, u"Merge"_s);
            return;
        }
        const bool put = placed.tooDifferent ? m_display.replaceWithBytes(merged, format)
                                             : m_display.replaceLines(placed.changes);
        if (put)
            then();
    };
    if (ready) {
        place(*ready);
        return;
    }
    // Keys typed meanwhile wait.
    m_display.holdKeys(true);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_placed = std::move(place);
    m_placing.setFuture(
        runInBackground<Placed>([mine = sides.mine, merged, format](QPromise<Placed> &promise) {
            promise.addResult(placing(mine, merged, format));
        }));
}

MergeCommands::Placed MergeCommands::placing(const QByteArray &mine, const QByteArray &merged,
                                             const NoteFormat &format)
{
    const DecodedNote note = decodeNoteBytes(merged, format);
    const LineDiff diff = changedLines(decodeNoteBytes(mine, format).text, note.text);
    if (diff.tooDifferent)
        return {{}, true};
    // Where each line of the merged note starts, and its end.
    QList<qsizetype> starts{0};
    for (qsizetype at = note.text.indexOf(u'\n'); at >= 0; at = note.text.indexOf(u'\n', at + 1))
        starts.append(at + 1);
    if (starts.constLast() != note.text.size())
        starts.append(note.text.size());
    Placed placed;
    for (const DiffHunk &hunk : diff.hunks)
        placed.changes.append(
            {hunk.oldStart, hunk.oldCount,
             slicedNote(note, starts[hunk.newStart], starts[hunk.newStart + hunk.newCount])});
    return placed;
}

MergeCommands::Merged MergeCommands::withPlacing(Merged merged, const Sides &sides,
                                                 const NoteFormat &format)
{
    // An encoded note's merge goes in whole, encoded again.
    if (merged.note.ok() && merged.note.clashCount() == 0 && !sides.keyword)
        merged.placed = placing(
            sides.mine, merged.note.bytes([](const MergeClash &) { return QByteArray(); }), format);
    return merged;
}

void MergeCommands::placed()
{
    QGuiApplication::restoreOverrideCursor();
    const auto place = std::exchange(m_placed, {});
    if (m_placing.future().resultCount() > 0 && place)
        place(m_placing.future().result());
    m_display.holdKeys(false);
}

} // namespace qb
