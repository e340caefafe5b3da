#include "notes/NoteListing.h"

#include "notes/NoteNames.h"
#include "platform/DirScan.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Simple case folding, one UTF-16 unit at a time; it keeps every BMP character in the BMP.
char16_t foldedUnit(QChar c)
{
    const char32_t folded = QChar::toCaseFolded(char32_t(c.unicode()));
    return folded <= 0xffff ? char16_t(folded) : c.unicode();
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = foldedUnit(a[i]);
        const char16_t y = foldedUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// For names equal once folded: the note name as it is, then the whole file name.
bool lessInFoldedTie(QStringView fileNameA, QStringView fileNameB)
{
    if (const int byNote = noteNameView(fileNameA).compare(noteNameView(fileNameB)); byNote != 0)
        return byNote < 0;
    return fileNameA.compare(fileNameB) < 0;
}

bool hasTxtEnding(QByteArrayView name)
{
    if (name.size() < 4)
        return false;
    const QByteArrayView end = name.last(4);
    return end[0] == '.' && (end[1] | 0x20) == 't' && (end[2] | 0x20) == 'x' &&
           (end[3] | 0x20) == 't';
}

} // namespace

bool isNoteFileName(QStringView fileName)
{
    return fileName.size() > 4 && !fileName.startsWith(u'.') &&
           fileName.endsWith(u".txt", Qt::CaseInsensitive);
}

QStringView NoteListing::fileNameAt(qsizetype index) const
{
    const Entry &entry = m_entries[size_t(index)];
    return QStringView(m_names).sliced(entry.start, entry.length);
}

QStringList NoteListing::fileNames() const
{
    QStringList names;
    names.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        names.append(fileNameAt(i).toString());
    return names;
}

void NoteListing::append(QStringView fileName)
{
    m_entries.push_back({quint32(m_names.size()), quint16(fileName.size())});
    m_names.append(fileName);
}

NoteListing listNoteFiles(const QString &dirPath)
{
    return *listNoteFiles(dirPath, std::numeric_limits<qsizetype>::max());
}

std::optional<NoteListing> listNoteFiles(const QString &dirPath, qsizetype mostEntries,
                                         const std::function<bool()> &stop)
{
    NoteListing listing;
    QString &names = listing.m_names;
    std::vector<NoteListing::Entry> &entries = listing.m_entries;
    qsizetype seen = 0;
    bool given = false;
    // The stop is asked now and then: it may cost more than an entry.
    constexpr qsizetype kAskEvery = 1024;
    listing.error = scanDirectoryWhile(dirPath, [&](const DirEntry &entry) {
        if (++seen > mostEntries || (stop && seen % kAskEvery == 0 && stop())) {
            given = true;
            return false;
        }
        const QByteArrayView name = entry.name();
        // Hidden files are no notes; a save cut short leaves one, holding text to recover, that
        // a listing never touches.
        if (entry.isHidden()) {
            if (isSaveTempName(name))
                listing.saveLeftovers = true;
            return true;
        }
        // The ending first: only the few entries that can be notes cost more.
        if (!hasTxtEnding(name) || !entry.isRegularFile())
            return true;
        const qsizetype start = names.size();
        if (entry.appendDecodedName(names))
            entries.push_back({quint32(start), quint16(names.size() - start)});
        else
            ++listing.undecodableNames;
        return true;
    });
    if (given || (stop && stop()))
        return std::nullopt;

    // The sort keys, folded once per name, lie at the same places as the names.
    QString keys(names.size(), Qt::Uninitialized);
    std::transform(names.cbegin(), names.cend(), keys.begin(),
                   [](QChar c) { return QChar(foldedUnit(c)); });
    const char16_t *const keyUnits = reinterpret_cast<const char16_t *>(keys.constData());
    const auto keyOf = [keyUnits](const NoteListing::Entry &entry) {
        return std::u16string_view(keyUnits + entry.start, size_t(entry.length - 4));
    };
    const QStringView all(names);
    std::sort(entries.begin(), entries.end(),
              [&](const NoteListing::Entry &a, const NoteListing::Entry &b) {
                  if (const int byKey = keyOf(a).compare(keyOf(b)); byKey != 0)
                      return byKey < 0;
                  return lessInFoldedTie(all.sliced(a.start, a.length),
                                         all.sliced(b.start, b.length));
              });
    return listing;
}

bool noteFileNameLess(QStringView fileNameA, QStringView fileNameB)
{
    if (const int byFolded = compareFolded(noteNameView(fileNameA), noteNameView(fileNameB));
        byFolded != 0)
        return byFolded < 0;
    return lessInFoldedTie(fileNameA, fileNameB);
}

} // namespace qb
