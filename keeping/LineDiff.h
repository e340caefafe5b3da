#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qb {

struct DiffLine
{
    enum class Kind { Same, Removed, Added };
    Kind kind = Kind::Same;
    QString text;
    qsizetype oldLine = -1; // its index in the old lines; -1 for an added line
    qsizetype newLine = -1; // its index in the new lines; -1 for a removed line
};

// A run of changes with the unchanged lines around them. Line numbers count from 0.
struct DiffHunk
{
    qsizetype oldStart = 0, oldCount = 0;
    qsizetype newStart = 0, newCount = 0;
    QList<DiffLine> lines;
};

struct LineDiff
{
    QList<DiffHunk> hunks; // none when the texts are the same
    // The texts differ too much for a line diff to be worked out in a moment; no hunks are given.
    bool tooDifferent = false;
};

// The lines that differ between `oldLines` (a kept version's) and `newLines` (the editor's), with
// `context` unchanged lines around each change, grouped in hunks. Lines that both texts start or
// end with are set aside before the diff proper, so that a few changes in a long note cost little;
// texts whose middles differ more than the diff can work out quickly are given up on.
LineDiff diffLines(const QStringList &oldLines, const QStringList &newLines, int context = 3);

// The lines of `oldText` that `newText` puts others in place of, as hunks without context; each
// line keeps its '\n', so that a last line with and without one differ.
LineDiff changedLines(QStringView oldText, QStringView newText);

} // namespace qb
