#pragma once

#include <QString>
#include <QStringList>

namespace qb {

struct NoteListing
{
    QStringList fileNames; // real file names ("Ideas.TXT" stays so), in note list order
    QString error;         // why the folder could not be read (fully); empty when it could
};

// The note files directly inside `dirPath`: regular files, or links to one, whose name ends in
// ".txt" in any letter case; hidden files are left out. Sorted by NoteFileNameLess.
// A folder that is missing or unreadable gives what could be read and the reason.
// Temporary files of saves cut short more than an hour ago are removed on the way.
NoteListing ListNoteFiles(const QString &dirPath);

// Note list order: the note names under simple Unicode case folding, compared UTF-16 unit by
// unit (locale-free, so every machine shows the same order; digits are not read as numbers);
// names equal in that way go by a case-sensitive compare, then by the whole file name.
bool NoteFileNameLess(const QString &fileNameA, const QString &fileNameB);

} // namespace qb
