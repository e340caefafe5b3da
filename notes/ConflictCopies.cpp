#include "notes/ConflictCopies.h"

#include "notes/NoteListing.h"
#include "notes/NoteNames.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// One tool's form of a copy's name: the tag that follows the note's name starts with `marker`
// (looked for from the end), and what follows the marker matches `rest` whole; its named groups
// are the day, the time and who kept it. Dropbox puts the person's name before its marker.
struct CopyForm
{
    SyncTool tool;
    QStringView marker;
    QRegularExpression rest;
    QString dayFormat;
    QString timeFormat;
    bool whoBeforeMarker = false;
};

const std::array<CopyForm, 6> &copyForms()
{
    static const std::array<CopyForm, 6> forms = {{
        {SyncTool::Syncthing, u".sync-conflict-",
         QRegularExpression(uR"(^(?<day>\d{8})-(?<time>\d{6})-(?<who>[A-Z0-9]{7})$)"_s),
         u"yyyyMMdd"_s, u"HHmmss"_s},
        {SyncTool::Nextcloud, u" (conflicted copy ",
         QRegularExpression(uR"(^(?:(?<who>.+) )?(?<day>\d{4}-\d{2}-\d{2}) (?<time>\d{6})\)$)"_s),
         u"yyyy-MM-dd"_s, u"HHmmss"_s},
        {SyncTool::Nextcloud, u"_conflict-",
         QRegularExpression(uR"(^(?<day>\d{8})-(?<time>\d{6})$)"_s), u"yyyyMMdd"_s, u"HHmmss"_s},
        {SyncTool::Dropbox,
         u"s conflicted copy ",
         QRegularExpression(uR"(^(?<day>\d{4}-\d{2}-\d{2})\)(?: \(\d+\))?$)"_s),
         u"yyyy-MM-dd"_s,
         {},
         true},
        {SyncTool::PCloud, u" (conflicted", QRegularExpression(uR"(^(?: \d+)?\)$)"_s), {}, {}},
        {SyncTool::Resilio, u".Conflict", QRegularExpression(uR"(^\d*$)"_s), {}, {}},
    }};
    return forms;
}

// Whether `name` holds "onflict", which every tool's tag holds: most names are passed over at
// this look alone. Its "f" is looked for first, one unit at a time, which costs less than a
// general search when almost every name lacks it.
bool mayBeACopy(QStringView name)
{
    const QChar *units = name.data();
    const qsizetype size = name.size();
    for (qsizetype i = 2; i + 4 < size; ++i) {
        if (units[i] == u'f' && units[i - 2] == u'o' && units[i - 1] == u'n' &&
            units[i + 1] == u'l' && units[i + 2] == u'i' && units[i + 3] == u'c' &&
            units[i + 4] == u't')
            return true;
    }
    return false;
}

struct CopyMatch
{
    const CopyForm *form = nullptr;
    QStringView note;
    QStringView who;
    QRegularExpressionMatch rest;
};

// The form `noteName` has, and its parts; nothing for a name of no copy, at no cost for most.
std::optional<CopyMatch> matchCopy(QStringView noteName)
{
    if (!mayBeACopy(noteName))
        return std::nullopt;
    for (const CopyForm &form : copyForms()) {
        const qsizetype at = noteName.lastIndexOf(form.marker);
        if (at <= 0)
            continue;
        QRegularExpressionMatch rest = form.rest.match(noteName.sliced(at + form.marker.size()));
        if (!rest.hasMatch())
            continue;
        if (!form.whoBeforeMarker)
            return CopyMatch{&form, noteName.first(at), rest.capturedView(u"who"), std::move(rest)};
        // "<note> (<who>'s conflicted copy ...": the apostrophe as typed or as printed.
        const QChar apostrophe = noteName.at(at - 1);
        const qsizetype open = noteName.first(at - 1).lastIndexOf(u" (");
        if ((apostrophe == u'\'' || apostrophe == u'\u2019') && open > 0 && open + 2 < at - 1)
            return CopyMatch{&form, noteName.first(open),
                             noteName.sliced(open + 2, at - 1 - open - 2), std::move(rest)};
    }
    return std::nullopt;
}

// The row of the note named `noteName` in `listing`, which is in note list order; -1 when there
// is none. The file names of one note name lie side by side there, ".TXT" the first of them.
qsizetype rowOfNote(const NoteListing &listing, QStringView noteName)
{
    const QString fileName = noteName.toString() + u".TXT"_s;
    qsizetype first = 0;
    for (qsizetype count = listing.size(); count > 0;) {
        const qsizetype half = count / 2;
        if (noteFileNameLess(listing.fileNameAt(first + half), fileName)) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    for (qsizetype row = first; row < listing.size(); ++row) {
        const QStringView candidate = listing.fileNameAt(row);
        if (noteNameView(candidate) == noteName)
            return row;
        if (noteFileNameLess(fileName, candidate))
            break;
    }
    return -1;
}

} // namespace

QString syncToolName(SyncTool tool)
{
    switch (tool) {
    case SyncTool::Syncthing:
        return u"Syncthing"_s;
    case SyncTool::Nextcloud:
        return u"Nextcloud or ownCloud"_s;
    case SyncTool::Dropbox:
        return u"Dropbox"_s;
    case SyncTool::PCloud:
        return u"pCloud"_s;
    case SyncTool::Resilio:
        return u"Resilio Sync"_s;
    }
    return {};
}

std::optional<ConflictCopyName> conflictCopyName(QStringView noteName)
{
    const std::optional<CopyMatch> found = matchCopy(noteName);
    if (!found)
        return std::nullopt;
    const CopyForm &form = *found->form;
    ConflictCopyName name{found->note.toString(), form.tool, {}, {}, found->who.toString()};
    if (!form.dayFormat.isEmpty())
        name.day = QDate::fromString(found->rest.captured(u"day"), form.dayFormat);
    if (!form.timeFormat.isEmpty())
        name.time = QTime::fromString(found->rest.captured(u"time"), form.timeFormat);
    return name;
}

QList<ConflictCopy> findConflictCopies(const NoteListing &listing)
{
    // The note a name is a copy of, by its name alone; empty for none.
    const auto noteOf = [](QStringView fileName) {
        const std::optional<CopyMatch> found = matchCopy(noteNameView(fileName));
        return found ? found->note : QStringView();
    };
    QList<ConflictCopy> copies;
    for (qsizetype row = 0; row < listing.size(); ++row) {
        const QStringView note = noteOf(listing.fileNameAt(row));
        if (note.isEmpty())
            continue;
        qsizetype noteRow = rowOfNote(listing, note);
        // A copy of a copy belongs to the note the first copy was made of.
        for (int depth = 0; noteRow >= 0 && depth < 8; ++depth) {
            const QStringView further = noteOf(listing.fileNameAt(noteRow));
            const qsizetype furtherRow = further.isEmpty() ? -1 : rowOfNote(listing, further);
            if (furtherRow < 0)
                break;
            noteRow = furtherRow;
        }
        if (noteRow >= 0)
            copies.append({row, noteRow});
    }
    return copies;
}

} // namespace qb
