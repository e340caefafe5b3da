#include "find/NoteQuery.h"

#include "encoder/NoteCodec.h"
#include "find/AsciiWord.h"
#include "find/NoteMatcher.h"
#include "find/QueryWords.h"
#include "platform/CodePage.h"
#include "platform/ThreadPriority.h"

#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QWaitCondition>

#include <algorithm>
#include <limits>
#include <optional>

namespace qb {

namespace {

// Work is taken this many notes (or results) at a time: names are quick to look at, text less.
constexpr qsizetype kNamesPerTake = 1024;
constexpr qsizetype kTextsPerTake = 32;
constexpr qsizetype kHitsPerTake = 64;

// Threads kept ready: starting one would cost more than a query of a small book.
QThreadPool &QueryPool()
{
    struct Pool : QThreadPool
    {
        Pool()
        {
            setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
            setExpiryTimeout(-1);
        }
    };
    static Pool pool;
    return pool;
}

// The threads working on one task. A thread that starts after the task is done leaves at once,
// so that a busy pool never holds the caller up.
struct Crew
{
    QMutex mutex;
    QWaitCondition idle;
    int active = 0;
    bool closed = false;
};

// Units folded as names are: none for a text holding surrogates, which is matched name by name.
std::optional<QString> foldedForNames(QStringView text)
{
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return std::nullopt;
    return foldedUnits(text);
}

// True for a word found in a note's text exactly where it is found in the text decoded alone,
// before line ends are joined and stand-ins put in: the word holds no stand-in and no character
// the editor takes a stand-in for (nor, being a word, a line break), and no byte order mark,
// which a decoder may drop at the start.
bool foundInPlainText(QStringView word)
{
    static const std::vector<char16_t> kept = [] {
        std::vector<char16_t> units{0xFEFF};
        for (const char16_t original : {u'\r', u'\n', u'\u2028', u'\u2029', u'\uFDD0', u'\uFDD1'})
            units.insert(units.end(), {original, standInFor(original)});
        return units;
    }();
    return std::none_of(word.begin(), word.end(), [](QChar c) {
        return std::find(kept.begin(), kept.end(), c.unicode()) != kept.end();
    });
}

// The note's characters as they stand in the file.
QString plainText(const IndexedNote &note)
{
    return note.utf8 ? QString::fromUtf8(note.bytes) : decodeWindows1252(note.bytes);
}

} // namespace

struct NoteQuery::Word
{
    NoteMatcher matcher;
    std::optional<AsciiWord> ascii;
    std::optional<QString> folded;
    bool plain = false; // foundInPlainText
};

struct NoteQuery::Work
{
    explicit Work(const QStringList &words)
        : whole(words.join(u' '), Qt::CaseInsensitive),
          wholeFolded(foldedForNames(words.join(u' ')))
    {
    }

    struct Candidate
    {
        quint32 place; // in the snapshot's recency order
        quint64 words; // those not in the name: the text must hold them
    };

    const NoteMatcher whole;
    const std::optional<QString> wholeFolded;
    bool namesRanked = false;
    std::vector<quint32> nameStarts, nameHolds; // places in recency order
    std::vector<Candidate> candidates;          // for the text, in recency order

    // The candidates are taken kTextsPerTake at a time; a take's hits join textHits once every
    // take before it is done, so that textHits is always the first of the text's results.
    qsizetype takes = 0;
    std::atomic<qsizetype> nextTake = 0;
    std::atomic<bool> enough = false;
    QMutex mutex;
    std::vector<std::vector<quint32>> takeHits;
    std::vector<char> takeDone;
    qsizetype takesInRow = 0;
    qsizetype wanted = 0;
    std::vector<quint32> textHits;
};

NoteQuery::NoteQuery(NoteIndexSnapshotPtr snapshot, const QString &query, NoteQueryScope scope)
    : m_snapshot(std::move(snapshot)), m_text(query), m_scope(scope), m_words(queryWords(query)),
      m_work(std::make_unique<Work>(m_words)), m_pool(&QueryPool()),
      m_extraThreads(std::max(0, QThread::idealThreadCount() - 1))
{
    for (qsizetype i = 0; i < m_words.size(); ++i) {
        const QString &word = m_words[i];
        m_matchers.push_back(
            {NoteMatcher(word, Qt::CaseInsensitive),
             AsciiWord::fits(word) ? std::optional<AsciiWord>(AsciiWord(word)) : std::nullopt,
             foldedForNames(word), foundInPlainText(word)});
        m_textOrder.push_back(int(i));
        m_all |= quint64(1) << i;
    }
    // The longer a word, the fewer notes hold it: a note is ruled out sooner.
    std::stable_sort(m_textOrder.begin(), m_textOrder.end(),
                     [&](int a, int b) { return m_words[a].size() > m_words[b].size(); });
}

NoteQuery::~NoteQuery() = default;

void NoteQuery::setThreads(QThreadPool *pool, int extra)
{
    m_pool = pool;
    m_extraThreads = pool ? std::max(0, extra) : 0;
}

// Runs `task` on this thread and on up to `takes - 1` others; each takes work until none is
// left. Returns when every thread that took part is done.
template <typename Task> void NoteQuery::runOnThreads(qsizetype takes, Task task)
{
    auto crew = std::make_shared<Crew>();
    const int others = int(std::min<qsizetype>(m_extraThreads, takes - 1));
    for (int i = 0; i < others; ++i) {
        m_pool->start([crew, &task] {
            lowerThreadPriority();
            {
                QMutexLocker lock(&crew->mutex);
                if (crew->closed)
                    return;
                ++crew->active;
            }
            task();
            QMutexLocker lock(&crew->mutex);
            if (--crew->active == 0)
                crew->idle.wakeAll();
        });
    }
    task();
    QMutexLocker lock(&crew->mutex);
    crew->closed = true;
    while (crew->active > 0)
        crew->idle.wait(&crew->mutex);
}

// Each word is looked for in the folded names of a whole folder at once.
std::vector<quint64> NoteQuery::wordsInNames(const IndexedFolder &folder) const
{
    std::vector<quint64> words(folder.notes.size());
    const QStringView names(folder.foldedNames);
    const std::vector<quint32> &starts = folder.nameStarts;
    for (size_t w = 0; w < m_matchers.size(); ++w) {
        const Word &word = m_matchers[w];
        const quint64 bit = quint64(1) << w;
        if (!word.folded) {
            for (size_t i = 0; i < words.size(); ++i) {
                if (word.matcher.indexIn(folder.notes[i].name(), 0) >= 0)
                    words[i] |= bit;
            }
            continue;
        }
        for (qsizetype at = names.indexOf(*word.folded); at >= 0;) {
            const auto note = std::upper_bound(starts.begin(), starts.end(), quint32(at)) - 1;
            words[size_t(note - starts.begin())] |= bit;
            at = names.indexOf(*word.folded, note[1]);
        }
    }
    return words;
}

bool NoteQuery::nameStartsWithQuery(const IndexedFolder &folder, quint32 index) const
{
    const Work &work = *m_work;
    if (!work.wholeFolded)
        return work.whole.indexIn(folder.notes[index].name(), 0) == 0;
    return QStringView(folder.foldedNames)
        .sliced(folder.nameStarts[index])
        .startsWith(*work.wholeFolded);
}

void NoteQuery::rankNames()
{
    Work &work = *m_work;
    const auto &folders = m_snapshot->folders();
    const qsizetype folderCount = qsizetype(folders.size());
    std::vector<std::vector<quint64>> inName(folders.size());
    std::atomic<qsizetype> next = 0;
    runOnThreads(folderCount, [&] {
        for (qsizetype f = next++; f < folderCount && !isCancelled(); f = next++)
            inName[size_t(f)] = wordsInNames(*folders[size_t(f)]);
    });

    const std::vector<IndexedNoteRef> &order = m_snapshot->byRecency();
    const qsizetype count = qsizetype(m_within ? m_within->size() : order.size());
    const qsizetype takes = (count + kNamesPerTake - 1) / kNamesPerTake;
    struct Part
    {
        std::vector<quint32> starts, holds;
        std::vector<Work::Candidate> candidates;
    };
    std::vector<Part> parts(static_cast<size_t>(takes));
    next = 0;
    const bool text = m_scope == NoteQueryScope::NamesAndText;
    runOnThreads(takes, [&] {
        for (qsizetype take = next++; take < takes && !isCancelled(); take = next++) {
            Part &part = parts[size_t(take)];
            const qsizetype end = std::min(count, (take + 1) * kNamesPerTake);
            for (qsizetype i = take * kNamesPerTake; i < end; ++i) {
                const quint32 place = m_within ? (*m_within)[size_t(i)] : quint32(i);
                const IndexedNoteRef &ref = order[place];
                const quint64 words = inName[ref.folder][ref.index];
                if (words == m_all) {
                    (nameStartsWithQuery(*folders[ref.folder], ref.index) ? part.starts
                                                                          : part.holds)
                        .push_back(place);
                } else if (text && ref.note->hasText()) {
                    part.candidates.push_back({place, m_all & ~words});
                }
            }
        }
    });
    if (isCancelled())
        return;
    for (Part &part : parts) {
        work.nameStarts.insert(work.nameStarts.end(), part.starts.begin(), part.starts.end());
        work.nameHolds.insert(work.nameHolds.end(), part.holds.begin(), part.holds.end());
        work.candidates.insert(work.candidates.end(), part.candidates.begin(),
                               part.candidates.end());
    }
    work.takes = (qsizetype(work.candidates.size()) + kTextsPerTake - 1) / kTextsPerTake;
    work.takeHits.resize(size_t(work.takes));
    work.takeDone.resize(size_t(work.takes));
    work.namesRanked = true;
}

bool NoteQuery::textHolds(const IndexedNote &note, quint64 words) const
{
    std::optional<QString> plain, text; // decoded once a word needs it
    for (const int w : m_textOrder) {
        if (!(words >> w & 1))
            continue;
        const Word &word = m_matchers[size_t(w)];
        bool found = false;
        if (word.ascii && !note.asciiKin) {
            found = word.ascii->isIn(note.bytes);
        } else if (word.matcher.mayMatch(note.bytes)) {
            std::optional<QString> &in = word.plain ? plain : text;
            if (!in)
                in = word.plain ? plainText(note) : decodeNoteBytes(note.bytes).text;
            found = word.matcher.indexIn(*in, 0) >= 0;
        }
        if (!found)
            return false;
    }
    return true;
}

void NoteQuery::rankTextUntil(qsizetype hits)
{
    Work &work = *m_work;
    if (qsizetype(work.textHits.size()) >= hits || work.takesInRow == work.takes)
        return;
    const std::vector<IndexedNoteRef> &order = m_snapshot->byRecency();
    work.wanted = hits;
    work.enough = false;
    runOnThreads(work.takes - work.nextTake, [&] {
        while (!work.enough.load(std::memory_order_relaxed) && !isCancelled()) {
            const qsizetype take = work.nextTake++;
            if (take >= work.takes)
                break;
            std::vector<quint32> found;
            const qsizetype end =
                std::min(qsizetype(work.candidates.size()), (take + 1) * kTextsPerTake);
            for (qsizetype i = take * kTextsPerTake; i < end && !isCancelled(); ++i) {
                const Work::Candidate &candidate = work.candidates[size_t(i)];
                if (textHolds(*order[candidate.place].note, candidate.words))
                    found.push_back(candidate.place);
            }
            QMutexLocker lock(&work.mutex);
            work.takeHits[size_t(take)] = std::move(found);
            work.takeDone[size_t(take)] = true;
            for (; work.takesInRow < work.takes && work.takeDone[size_t(work.takesInRow)];
                 ++work.takesInRow) {
                std::vector<quint32> &done = work.takeHits[size_t(work.takesInRow)];
                work.textHits.insert(work.textHits.end(), done.begin(), done.end());
                done = {};
            }
            if (qsizetype(work.textHits.size()) >= work.wanted)
                work.enough = true;
        }
    });
}

QList<NoteQueryHit> NoteQuery::next(qsizetype count)
{
    Work &work = *m_work;
    if (count <= 0 || isCancelled())
        return {};
    if (!work.namesRanked)
        rankNames();
    const qsizetype byName = qsizetype(work.nameStarts.size() + work.nameHolds.size());
    const qsizetype wanted = count > std::numeric_limits<qsizetype>::max() - m_handedOut
                                 ? std::numeric_limits<qsizetype>::max()
                                 : m_handedOut + count;
    if (wanted > byName)
        rankTextUntil(wanted - byName);
    if (isCancelled())
        return {};
    const qsizetype end = std::min(wanted, byName + qsizetype(work.textHits.size()));
    QList<NoteQueryHit> hits(std::max<qsizetype>(0, end - m_handedOut));
    NoteQueryHit *out = hits.data();
    const qsizetype first = m_handedOut;
    const qsizetype takes = (hits.size() + kHitsPerTake - 1) / kHitsPerTake;
    std::atomic<qsizetype> next = 0;
    runOnThreads(takes, [&] {
        for (qsizetype take = next++; take < takes && !isCancelled(); take = next++) {
            const qsizetype stop = std::min(hits.size(), (take + 1) * kHitsPerTake);
            for (qsizetype i = take * kHitsPerTake; i < stop; ++i)
                out[i] = hitAt(first + i);
        }
    });
    if (isCancelled())
        return {};
    m_handedOut = end;
    return hits;
}

NoteQueryPlaces NoteQuery::foundPlaces() const
{
    const Work &work = *m_work;
    if (isCancelled() || !work.namesRanked || work.takesInRow < work.takes)
        return {};
    auto places = std::make_shared<std::vector<quint32>>(work.nameStarts);
    places->insert(places->end(), work.nameHolds.begin(), work.nameHolds.end());
    places->insert(places->end(), work.textHits.begin(), work.textHits.end());
    std::sort(places->begin(), places->end());
    return places;
}

QList<NoteQueryHit> NoteQuery::rest()
{
    return next(std::numeric_limits<qsizetype>::max());
}

qsizetype NoteQuery::count()
{
    Work &work = *m_work;
    if (!isCancelled() && !work.namesRanked)
        rankNames();
    if (!isCancelled())
        rankTextUntil(std::numeric_limits<qsizetype>::max());
    if (isCancelled())
        return -1;
    return qsizetype(work.nameStarts.size() + work.nameHolds.size() + work.textHits.size());
}

NoteQueryHit NoteQuery::hitAt(qsizetype place) const
{
    const Work &work = *m_work;
    const qsizetype starts = qsizetype(work.nameStarts.size());
    const qsizetype holds = qsizetype(work.nameHolds.size());
    NoteQueryHit hit;
    quint32 recent = 0;
    if (place < starts) {
        hit.rank = NoteQueryRank::NameStartsWithQuery;
        recent = work.nameStarts[size_t(place)];
    } else if (place < starts + holds) {
        hit.rank = NoteQueryRank::NameHoldsEveryWord;
        recent = work.nameHolds[size_t(place - starts)];
    } else {
        hit.rank = NoteQueryRank::HoldsEveryWord;
        recent = work.textHits[size_t(place - starts - holds)];
    }
    const IndexedNoteRef &ref = m_snapshot->byRecency()[recent];
    const IndexedFolder &folder = *m_snapshot->folders()[ref.folder];
    const IndexedNote &note = *ref.note;
    hit.folderRow = folder.row;
    hit.folderName = folder.name;
    hit.folderDir = folder.dir;
    hit.noteFileName = note.fileName;
    hit.noteIndex = ref.index;
    hit.stamp = note.stamp;
    hit.kind = note.kind;
    const QStringView name = note.name();
    for (const Word &word : m_matchers) {
        if (const qsizetype at = word.matcher.indexIn(name, 0); at >= 0)
            hit.nameMatches.append({at, word.matcher.length()});
    }
    std::sort(hit.nameMatches.begin(), hit.nameMatches.end(),
              [](const auto &a, const auto &b) { return a.start < b.start; });
    if (hit.rank != NoteQueryRank::HoldsEveryWord)
        return hit;

    const QString text = decodeNoteBytes(note.bytes).text;
    for (const Word &word : m_matchers) {
        const qsizetype at = word.matcher.indexIn(text, 0);
        if (at >= 0 && (hit.position < 0 || at < hit.position)) {
            hit.position = at;
            hit.length = word.matcher.length();
        }
    }
    if (hit.position < 0)
        return hit;
    hit.placeSnippet(text);
    return hit;
}

} // namespace qb
