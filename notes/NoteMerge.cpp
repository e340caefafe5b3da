#include "notes/NoteMerge.h"

#include <git2.h>

#include <dtl/dtl.hpp>

#include <string_view>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Long enough that no line of a note is taken for one of the merge's own marks.
constexpr unsigned short kMarkerSize = 40;

// The note's lines, each with its line end; the last may have none.
std::vector<std::string_view> linesOf(const QByteArray &bytes)
{
    std::vector<std::string_view> lines;
    const std::string_view all(bytes.constData(), size_t(bytes.size()));
    for (size_t start = 0; start < all.size();) {
        const size_t end = all.find('\n', start);
        const size_t next = end == std::string_view::npos ? all.size() : end + 1;
        lines.push_back(all.substr(start, next - start));
        start = next;
    }
    return lines;
}

// `line` after what `merged` holds, agreed on.
void appendAgreed(MergedNote &merged, std::string_view line)
{
    if (merged.pieces.isEmpty() || merged.pieces.constLast().clash)
        merged.pieces.append(MergedNote::Piece{});
    merged.pieces.last().agreed.append(line.data(), qsizetype(line.size()));
}

// Every run of lines that differ is a clash; the runs between are agreed.
MergedNote mergeTwoWay(const QByteArray &mine, const QByteArray &theirs)
{
    const std::vector<std::string_view> a = linesOf(mine), b = linesOf(theirs);
    dtl::Diff<std::string_view, std::vector<std::string_view>> diff(a, b);
    diff.compose();
    MergedNote merged;
    MergeClash clash;
    const auto endClash = [&] {
        if (clash.mine.isEmpty() && clash.theirs.isEmpty())
            return;
        merged.pieces.append({{}, std::exchange(clash, {})});
    };
    for (const auto &[line, info] : diff.getSes().getSequence()) {
        switch (info.type) {
        case dtl::SES_COMMON:
            endClash();
            appendAgreed(merged, line);
            break;
        case dtl::SES_DELETE:
            clash.mine.append(line.data(), qsizetype(line.size()));
            break;
        case dtl::SES_ADD:
            clash.theirs.append(line.data(), qsizetype(line.size()));
            break;
        }
    }
    endClash();
    return merged;
}

enum class Mark { None, Mine, Base, Theirs, End };

Mark markOf(std::string_view line, size_t size)
{
    if (line.size() < size)
        return Mark::None;
    const char c = line.front();
    if (line.find_first_not_of(c) < size)
        return Mark::None;
    const std::string_view rest = line.substr(size);
    if (!rest.empty() && rest.front() != ' ' && rest.front() != '\r' && rest.front() != '\n')
        return Mark::None;
    switch (c) {
    case '<':
        return Mark::Mine;
    case '|':
        return Mark::Base;
    case '=':
        return Mark::Theirs;
    case '>':
        return Mark::End;
    default:
        return Mark::None;
    }
}

// A merge's result, marks `size` long and all, as pieces; none when a clash it opens is not
// closed.
std::optional<MergedNote> piecesOf(const QByteArray &result, size_t size)
{
    MergedNote merged;
    Mark side = Mark::None;
    const std::vector<std::string_view> lines = linesOf(result);
    for (const std::string_view line : lines) {
        // A mark counts only where the merge can have put it; elsewhere it is the note's line.
        switch (markOf(line, size)) {
        case Mark::Mine:
            if (side != Mark::None)
                break;
            merged.pieces.append({{}, MergeClash{}});
            side = Mark::Mine;
            continue;
        case Mark::Base:
            if (side != Mark::Mine)
                break;
            merged.pieces.last().clash->base = QByteArray();
            side = Mark::Base;
            continue;
        case Mark::Theirs:
            if (side != Mark::Mine && side != Mark::Base)
                break;
            side = Mark::Theirs;
            continue;
        case Mark::End:
            if (side != Mark::Theirs)
                break;
            side = Mark::None;
            continue;
        case Mark::None:
            break;
        }
        if (side == Mark::None) {
            appendAgreed(merged, line);
            continue;
        }
        MergeClash &clash = *merged.pieces.last().clash;
        QByteArray &into = side == Mark::Mine   ? clash.mine
                           : side == Mark::Base ? *clash.base
                                                : clash.theirs;
        into.append(line.data(), qsizetype(line.size()));
    }
    if (side != Mark::None)
        return std::nullopt;
    return merged;
}

// The merge puts a line end after the last line of a side that had none, before its mark: a
// clash at the very end gives each side back its own end.
void keepFinalLineEnds(MergedNote &merged, const std::optional<QByteArray> &base,
                       const QByteArray &mine, const QByteArray &theirs)
{
    if (merged.pieces.isEmpty() || !merged.pieces.constLast().clash)
        return;
    MergeClash &clash = *merged.pieces.last().clash;
    const auto trim = [](QByteArray &side, const QByteArray &original) {
        if (!original.isEmpty() && !original.endsWith('\n') && side.endsWith('\n')) {
            side.chop(1);
            if (side.endsWith('\r') && !original.endsWith('\r'))
                side.chop(1);
        }
    };
    trim(clash.mine, mine);
    trim(clash.theirs, theirs);
    if (clash.base && base)
        trim(*clash.base, *base);
}

git_merge_file_input inputOf(const QByteArray &bytes)
{
    git_merge_file_input input{};
    git_merge_file_input_init(&input, GIT_MERGE_FILE_INPUT_VERSION);
    input.ptr = bytes.constData();
    input.size = size_t(bytes.size());
    return input;
}

using LineCounts = std::unordered_map<std::string_view, qsizetype>;

// How many lines of `a` and `b` the other lacks, each line counted as often as it comes.
qsizetype linesApart(const LineCounts &a, const LineCounts &b, qsizetype aLines, qsizetype bLines,
                     qsizetype *shared)
{
    qsizetype common = 0;
    for (const auto &[line, count] : a) {
        if (const auto found = b.find(line); found != b.end())
            common += std::min(count, found->second);
    }
    *shared = common;
    return aLines - common + bLines - common;
}

LineCounts lineCounts(const std::vector<std::string_view> &lines)
{
    LineCounts counts;
    for (const std::string_view line : lines)
        ++counts[line];
    return counts;
}

} // namespace

MergedNote mergeMarksOf(const QByteArray &note)
{
    // As git and diff3 write them.
    constexpr size_t kWrittenMarkerSize = 7;
    std::optional<MergedNote> marked = piecesOf(note, kWrittenMarkerSize);
    if (!marked || marked->clashCount() == 0)
        return {{{note, std::nullopt}}, {}};
    // A clash with its base part is merged again from it: what only one side changed in it
    // goes in by itself.
    MergedNote refined;
    for (MergedNote::Piece &piece : marked->pieces) {
        if (!piece.clash || !piece.clash->base) {
            refined.pieces.append(std::move(piece));
            continue;
        }
        const MergeClash &clash = *piece.clash;
        MergedNote again = mergeNotes(clash.base, clash.mine, clash.theirs);
        if (!again.ok()) {
            refined.pieces.append(std::move(piece));
            continue;
        }
        refined.pieces.append(again.pieces);
    }
    return refined;
}

qsizetype closestBase(const QList<QByteArray> &versions, const QByteArray &mine,
                      const QByteArray &theirs)
{
    const std::vector<std::string_view> mineLines = linesOf(mine), theirLines = linesOf(theirs);
    const auto mineCounts = lineCounts(mineLines), theirCounts = lineCounts(theirLines);
    qsizetype best = -1, bestDistance = 0;
    for (qsizetype i = 0; i < versions.size(); ++i) {
        const std::vector<std::string_view> lines = linesOf(versions[i]);
        const auto counts = lineCounts(lines);
        qsizetype withMine = 0, withTheirs = 0;
        const qsizetype distance = linesApart(counts, mineCounts, qsizetype(lines.size()),
                                              qsizetype(mineLines.size()), &withMine) +
                                   linesApart(counts, theirCounts, qsizetype(lines.size()),
                                              qsizetype(theirLines.size()), &withTheirs);
        if (withMine > 0 && withTheirs > 0 && (best < 0 || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

qsizetype MergedNote::clashCount() const
{
    return std::count_if(pieces.cbegin(), pieces.cend(),
                         [](const Piece &piece) { return piece.clash.has_value(); });
}

MergedNote mergeNotes(const std::optional<QByteArray> &base, const QByteArray &mine,
                      const QByteArray &theirs)
{
    if (!base)
        return mergeTwoWay(mine, theirs);
    // Once for the program's life: a shutdown would leave what the library's TLS setup took.
    static const int initialized = git_libgit2_init();
    Q_UNUSED(initialized);
    const git_merge_file_input ancestor = inputOf(*base), ours = inputOf(mine),
                               others = inputOf(theirs);
    git_merge_file_options options{};
    git_merge_file_options_init(&options, GIT_MERGE_FILE_OPTIONS_VERSION);
    options.flags = GIT_MERGE_FILE_STYLE_DIFF3;
    options.marker_size = kMarkerSize;
    git_merge_file_result result = {};
    MergedNote merged;
    if (git_merge_file(&result, &ancestor, &ours, &others, &options) != 0) {
        const git_error *error = git_error_last();
        merged.error = error ? QString::fromUtf8(error->message) : u"The merge failed."_s;
    } else {
        merged = piecesOf(QByteArray(result.ptr, qsizetype(result.len)), kMarkerSize)
                     .value_or(MergedNote{{}, u"The merge's result could not be read."_s});
        keepFinalLineEnds(merged, base, mine, theirs);
    }
    git_merge_file_result_free(&result);
    return merged;
}

} // namespace qb
