#include "keeping/LineDiff.h"

#include <QHash>

#include <dtl/dtl.hpp>

#include <algorithm>
#include <vector>

namespace qb {
namespace {

// How many line comparisons a diff may take: enough for thousands of changed lines in a middle
// part of any length; a 10 MiB note with its lines reordered is given up on in well under a
// second.
constexpr qint64 kComparisonBudget = 25'000'000;

// Compares lines by their numbers, counting down a budget. Past it, every pair is taken as equal:
// the diff then reaches its end at once, and its result is thrown away.
class BudgetedCompare : public dtl::Compare<int>
{
public:
    BudgetedCompare() = default;
    explicit BudgetedCompare(qint64 *left) : m_left(left) {}
    bool impl(const int &a, const int &b) const override
    {
        if (*m_left <= 0)
            return true;
        --*m_left;
        return a == b;
    }

private:
    qint64 *m_left = nullptr;
};

struct Run
{
    DiffLine::Kind kind;
    qsizetype count;
};

void addRun(std::vector<Run> &runs, DiffLine::Kind kind, qsizetype count)
{
    if (count == 0)
        return;
    if (!runs.empty() && runs.back().kind == kind)
        runs.back().count += count;
    else
        runs.push_back({kind, count});
}

// The lines of the middle parts as numbers, one per distinct line, and a lower bound of the
// edits between them: a line found more often on one side must be added or removed as often.
qint64 numberLines(const QStringList &oldLines, const QStringList &newLines, qsizetype first,
                   qsizetype oldEnd, qsizetype newEnd, std::vector<int> &a, std::vector<int> &b)
{
    QHash<QStringView, int> numbers;
    numbers.reserve(oldEnd - first + newEnd - first);
    a.reserve(size_t(oldEnd - first));
    b.reserve(size_t(newEnd - first));
    std::vector<qint64> balance;
    const auto number = [&](const QString &line) {
        auto it = numbers.constFind(QStringView(line));
        if (it == numbers.cend()) {
            it = numbers.insert(QStringView(line), int(numbers.size()));
            balance.push_back(0);
        }
        return *it;
    };
    for (qsizetype i = first; i < oldEnd; ++i) {
        a.push_back(number(oldLines[i]));
        ++balance[size_t(a.back())];
    }
    for (qsizetype i = first; i < newEnd; ++i) {
        b.push_back(number(newLines[i]));
        --balance[size_t(b.back())];
    }
    qint64 edits = 0;
    for (const qint64 count : balance)
        edits += count < 0 ? -count : count;
    return edits;
}

// The comparisons the diff takes at least, for `edits` edits at least: it widens its search
// once per edit beyond the difference of the lengths, over a growing band of diagonals.
qint64 leastWork(qint64 edits, qint64 lengthDifference)
{
    const qint64 widenings = std::max<qint64>(0, (edits - lengthDifference) / 2);
    return (widenings + 1) * (lengthDifference + widenings + 1);
}

class HunkBuilder
{
public:
    HunkBuilder(const QStringList &oldLines, const QStringList &newLines, int context)
        : m_old(oldLines), m_new(newLines), m_context(std::max(context, 0))
    {
    }

    QList<DiffHunk> build(const std::vector<Run> &runs)
    {
        for (size_t r = 0; r < runs.size(); ++r) {
            const Run &run = runs[r];
            if (run.kind == DiffLine::Kind::Same) {
                if (m_open) {
                    // Changes close together share one hunk.
                    const bool joins = r + 1 < runs.size() && run.count <= 2 * m_context;
                    addSame(m_oldAt, m_newAt, joins ? run.count : std::min(run.count, m_context));
                    if (!joins)
                        close();
                }
                m_oldAt += run.count;
                m_newAt += run.count;
                continue;
            }
            if (!m_open) {
                const qsizetype leading = r > 0 ? std::min(runs[r - 1].count, m_context) : 0;
                m_open = true;
                m_hunk = {};
                m_hunk.oldStart = m_oldAt - leading;
                m_hunk.newStart = m_newAt - leading;
                addSame(m_oldAt - leading, m_newAt - leading, leading);
            }
            for (qsizetype i = 0; i < run.count; ++i) {
                if (run.kind == DiffLine::Kind::Removed)
                    m_hunk.lines.append({run.kind, m_old[m_oldAt], m_oldAt++, -1});
                else
                    m_hunk.lines.append({run.kind, m_new[m_newAt], -1, m_newAt++});
            }
        }
        if (m_open)
            close();
        return m_hunks;
    }

private:
    void addSame(qsizetype oldAt, qsizetype newAt, qsizetype count)
    {
        for (qsizetype i = 0; i < count; ++i)
            m_hunk.lines.append({DiffLine::Kind::Same, m_old[oldAt + i], oldAt + i, newAt + i});
    }
    void close()
    {
        for (const DiffLine &line : std::as_const(m_hunk.lines)) {
            m_hunk.oldCount += line.kind != DiffLine::Kind::Added;
            m_hunk.newCount += line.kind != DiffLine::Kind::Removed;
        }
        m_hunks.append(std::move(m_hunk));
        m_open = false;
    }

    const QStringList &m_old;
    const QStringList &m_new;
    qsizetype m_context;
    QList<DiffHunk> m_hunks;
    DiffHunk m_hunk;
    bool m_open = false;
    qsizetype m_oldAt = 0, m_newAt = 0; // where the current run starts
};

} // namespace

LineDiff diffLines(const QStringList &oldLines, const QStringList &newLines, int context)
{
    // The lines both texts start and end with are set aside: the diff proper sees the middle.
    const qsizetype shorter = std::min(oldLines.size(), newLines.size());
    qsizetype head = 0;
    while (head < shorter && oldLines[head] == newLines[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail])
        ++tail;
    const qsizetype oldEnd = oldLines.size() - tail, newEnd = newLines.size() - tail;

    std::vector<Run> runs;
    addRun(runs, DiffLine::Kind::Same, head);
    if (oldEnd - head == 0 || newEnd - head == 0) {
        addRun(runs, DiffLine::Kind::Removed, oldEnd - head);
        addRun(runs, DiffLine::Kind::Added, newEnd - head);
    } else {
        std::vector<int> a, b;
        const qint64 edits = numberLines(oldLines, newLines, head, oldEnd, newEnd, a, b);
        const qint64 difference = qint64(a.size()) - qint64(b.size());
        if (leastWork(edits, difference < 0 ? -difference : difference) > kComparisonBudget)
            return {{}, true};
        qint64 left = kComparisonBudget;
        dtl::Diff<int, std::vector<int>, BudgetedCompare> diff(a, b, BudgetedCompare(&left));
        diff.compose();
        if (left <= 0)
            return {{}, true};
        for (const auto &[line, info] : diff.getSes().getSequence()) {
            addRun(runs,
                   info.type == dtl::SES_COMMON   ? DiffLine::Kind::Same
                   : info.type == dtl::SES_DELETE ? DiffLine::Kind::Removed
                                                  : DiffLine::Kind::Added,
                   1);
        }
    }
    addRun(runs, DiffLine::Kind::Same, tail);
    return {HunkBuilder(oldLines, newLines, context).build(runs), false};
}

namespace {

QStringList linesWithEnds(QStringView text)
{
    QStringList lines;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        lines.append(text.sliced(start, next - start).toString());
        start = next;
    }
    return lines;
}

} // namespace

LineDiff changedLines(QStringView oldText, QStringView newText)
{
    return diffLines(linesWithEnds(oldText), linesWithEnds(newText), 0);
}

} // namespace qb
