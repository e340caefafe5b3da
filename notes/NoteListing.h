#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace qb {

// The note files of one folder, in note list order. The names share one buffer, so that a
// folder of many thousands of notes lists with a handful of allocations.
class NoteListing
{
public:
    qsizetype size() const { return qsizetype(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // The real file name of the note at `index` ("Ideas.TXT" stays so).
    QStringView fileNameAt(qsizetype index) const;
    QStringList fileNames() const;
    // For a listing known otherwise: the next note, in note list order.
    void append(QStringView fileName);

    // Why the folder could not be read (fully); empty when it could.
    QString error;
    // Note files left out because their names cannot be had as text (not valid UTF-8), so that
    // no file operation could name them again.
    int undecodableNames = 0;
    // Hidden files a save leaves when it is cut short are there: they may hold newer text.
    bool saveLeftovers = false;

private:
    friend std::optional<NoteListing> listNoteFiles(const QString &dirPath, qsizetype mostEntries,
                                                    const std::function<bool()> &stop);

    struct Entry
    {
        quint32 start;  // in m_names
        quint16 length; // a file name holds at most 255 units
    };
    QString m_names;
    std::vector<Entry> m_entries;
};

// The note files directly inside `dirPath`: regular files, or links to one, whose name ends in
// ".txt" in any letter case; hidden files are left out. Sorted by noteFileNameLess.
// A folder that is missing or unreadable gives what could be read and the reason. Nothing is
// written or removed.
NoteListing listNoteFiles(const QString &dirPath);
// The same, given up (nothing returned) as soon as the folder shows more than `mostEntries`
// entries of any kind, or `stop` says so: a small folder is told from a large one at the cost
// of listing a small one.
std::optional<NoteListing> listNoteFiles(const QString &dirPath, qsizetype mostEntries,
                                         const std::function<bool()> &stop = {});

// True for the name of a file listNoteFiles would list, were it a regular file.
bool isNoteFileName(QStringView fileName);

// Note list order: the note names under simple Unicode case folding, compared UTF-16 unit by
// unit (locale-free, so every machine shows the same order; digits are not read as numbers);
// names equal in that way go by a case-sensitive compare, then by the whole file name.
bool noteFileNameLess(QStringView fileNameA, QStringView fileNameB);

} // namespace qb
