#include "find/NoteIndex.h"

#include "notes/NoteListing.h"
#include "notes/NoteNames.h"
#include "notes/NoteSize.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <queue>
#include <tuple>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The note as the disk has it now, read again whatever its stamp; gone when there is none.
void refresh(IndexedFolder &folder, const QString &fileName, qint64 largest)
{
    const qsizetype at = folder.indexOf(fileName);
    if (isNoteFileName(fileName) && stampOfFile(noteFilePath(folder.dir, fileName)).isValid())
        folder.put(readIndexedNote(folder.dir, fileName, largest));
    else if (at >= 0)
        folder.notes.erase(folder.notes.begin() + at);
}

void relist(IndexedFolder &folder, qint64 largest)
{
    const NoteListing listing = listNoteFiles(folder.dir);
    std::vector<IndexedNote> notes;
    notes.reserve(size_t(listing.size()));
    for (qsizetype i = 0; i < listing.size(); ++i) {
        const QString fileName = listing.fileNameAt(i).toString();
        const qsizetype at = folder.indexOf(fileName);
        if (at >= 0) {
            const IndexedNote &old = folder.notes[size_t(at)];
            if (old.stamp.isValid() &&
                stampOfFile(noteFilePath(folder.dir, fileName)) == old.stamp) {
                notes.push_back(old);
                continue;
            }
        }
        notes.push_back(readIndexedNote(folder.dir, fileName, largest));
    }
    folder.notes = std::move(notes);
    folder.error = listing.error;
}

bool fileNameLess(const IndexedNote &note, QStringView fileName)
{
    return noteFileNameLess(note.fileName, fileName);
}

} // namespace

qsizetype IndexedFolder::indexOf(QStringView fileName) const
{
    const auto it = std::lower_bound(notes.cbegin(), notes.cend(), fileName, fileNameLess);
    return it != notes.cend() && it->fileName == fileName ? it - notes.cbegin() : -1;
}

void IndexedFolder::put(IndexedNote note)
{
    const auto it = std::lower_bound(notes.begin(), notes.end(), note.fileName, fileNameLess);
    if (it != notes.end() && it->fileName == note.fileName)
        *it = std::move(note);
    else
        notes.insert(it, std::move(note));
}

void IndexedFolder::finish()
{
    byRecency.resize(notes.size());
    textBytes = 0;
    foldedNames.clear();
    nameStarts.clear();
    listing = NoteListing();
    for (size_t i = 0; i < notes.size(); ++i) {
        listing.append(notes[i].fileName);
        byRecency[i] = quint32(i);
        textBytes += notes[i].bytes.size();
        nameStarts.push_back(quint32(foldedNames.size()));
        foldedNames.append(foldedUnits(notes[i].name())).append(u'\n');
    }
    nameStarts.push_back(quint32(foldedNames.size()));
    std::stable_sort(byRecency.begin(), byRecency.end(), [&](quint32 a, quint32 b) {
        return notes[a].stamp.modifiedNs > notes[b].stamp.modifiedNs;
    });
}

QString foldedUnits(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    std::transform(text.begin(), text.end(), folded.begin(), [](QChar c) {
        const char32_t f = QChar::toCaseFolded(char32_t(c.unicode()));
        return f <= 0xFFFF ? QChar(char16_t(f)) : c;
    });
    return folded;
}

NoteIndexSnapshot::NoteIndexSnapshot(std::vector<std::shared_ptr<const IndexedFolder>> folders)
    : m_folders(std::move(folders))
{
    for (const auto &folder : m_folders) {
        m_noteCount += qsizetype(folder->notes.size());
        m_textBytes += folder->textBytes;
    }
}

const IndexedFolder *NoteIndexSnapshot::folderWithRow(int row) const
{
    for (const auto &folder : m_folders) {
        if (folder->row == row)
            return folder.get();
    }
    return nullptr;
}

const IndexedFolder *NoteIndexSnapshot::folderWithDir(const QString &dir) const
{
    for (const auto &folder : m_folders) {
        if (folder->dir == dir)
            return folder.get();
    }
    return nullptr;
}

// The folders' own orders merged: notes as recent go by folder, then by place in the folder.
const std::vector<IndexedNoteRef> &NoteIndexSnapshot::byRecency() const
{
    std::call_once(m_orderOnce, [this] {
        using Head = std::tuple<qint64, quint32, quint32>; // -time, folder, place in its order
        std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
        const auto push = [&](quint32 folder, quint32 k) {
            const IndexedFolder &f = *m_folders[folder];
            if (k < f.byRecency.size())
                heads.emplace(-f.notes[f.byRecency[k]].stamp.modifiedNs, folder, k);
        };
        for (quint32 folder = 0; folder < m_folders.size(); ++folder)
            push(folder, 0);
        m_byRecency.reserve(size_t(m_noteCount));
        while (!heads.empty()) {
            const auto [time, folder, k] = heads.top();
            heads.pop();
            const quint32 index = m_folders[folder]->byRecency[k];
            m_byRecency.push_back({&m_folders[folder]->notes[index], folder, index});
            push(folder, k + 1);
        }
    });
    return m_byRecency;
}

NoteIndex::NoteIndex()
    : m_snapshot(std::make_shared<const NoteIndexSnapshot>()),
      m_largest(NoteSizeLimits::forThisMachine().askAbove)
{
}

NoteIndex::~NoteIndex() = default;

template <typename Edit>
void NoteIndex::change(int row, Edit edit, std::initializer_list<Change> redo)
{
    QMutexLocker lock(&m_writing);
    Folders folders = snapshot()->folders();
    for (auto &folder : folders) {
        if (folder->row != row)
            continue;
        auto copy = std::make_shared<IndexedFolder>(*folder);
        edit(*copy);
        copy->finish();
        folder = std::move(copy);
        m_snapshot.store(std::make_shared<const NoteIndexSnapshot>(std::move(folders)),
                         std::memory_order_release);
        break;
    }
    if (m_build != 0)
        m_duringBuild.insert(m_duringBuild.end(), redo);
}

void NoteIndex::apply(Folders &folders, const Change &change) const
{
    for (auto &folder : folders) {
        if (folder->row != change.folderRow)
            continue;
        auto copy = std::make_shared<IndexedFolder>(*folder);
        if (change.fileName.isEmpty())
            relist(*copy, m_largest);
        else
            refresh(*copy, change.fileName, m_largest);
        copy->finish();
        folder = std::move(copy);
        return;
    }
}

void NoteIndex::updateNote(int folderRow, const QString &fileName)
{
    change(folderRow, [&](IndexedFolder &folder) { refresh(folder, fileName, m_largest); },
           {{folderRow, fileName}});
}

void NoteIndex::removeNote(int folderRow, const QString &fileName)
{
    change(folderRow,
           [&](IndexedFolder &folder) {
               if (const qsizetype at = folder.indexOf(fileName); at >= 0)
                   folder.notes.erase(folder.notes.begin() + at);
           },
           {{folderRow, fileName}});
}

void NoteIndex::renameNote(int folderRow, const QString &oldFileName, const QString &newFileName)
{
    change(folderRow,
           [&](IndexedFolder &folder) {
               std::optional<IndexedNote> kept;
               if (const qsizetype at = folder.indexOf(oldFileName); at >= 0) {
                   kept = std::move(folder.notes[size_t(at)]);
                   folder.notes.erase(folder.notes.begin() + at);
               }
               const NoteStamp stamp = stampOfFile(noteFilePath(folder.dir, newFileName));
               if (kept && kept->stamp.isValid() && kept->stamp == stamp &&
                   isNoteFileName(newFileName)) {
                   kept->fileName = newFileName;
                   folder.put(std::move(*kept));
               } else {
                   refresh(folder, newFileName, m_largest);
               }
           },
           {{folderRow, oldFileName}, {folderRow, newFileName}});
}

void NoteIndex::relistFolder(int folderRow)
{
    change(folderRow, [&](IndexedFolder &folder) { relist(folder, m_largest); },
           {{folderRow, QString()}});
}

void NoteIndex::clear()
{
    QMutexLocker lock(&m_writing);
    m_snapshot.store(std::make_shared<const NoteIndexSnapshot>(), std::memory_order_release);
    m_build = 0;
    m_duringBuild.clear();
}

quint64 NoteIndex::beginBuild()
{
    QMutexLocker lock(&m_writing);
    m_build = ++m_lastBuild;
    m_duringBuild.clear();
    return m_build;
}

void NoteIndex::installBuilt(quint64 build, NoteIndexSnapshotPtr built)
{
    QMutexLocker lock(&m_writing);
    if (build != m_build)
        return;
    if (!m_duringBuild.empty()) {
        Folders folders = built->folders();
        for (const Change &change : m_duringBuild)
            apply(folders, change);
        built = std::make_shared<const NoteIndexSnapshot>(std::move(folders));
    }
    m_snapshot.store(std::move(built), std::memory_order_release);
    m_build = 0;
    m_duringBuild.clear();
}

void NoteIndex::abandonBuild(quint64 build)
{
    QMutexLocker lock(&m_writing);
    if (build != m_build)
        return;
    m_build = 0;
    m_duringBuild.clear();
}

} // namespace qb
