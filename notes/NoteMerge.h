#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace qb {

// Where the two sides of a merge both changed the same lines, and differently.
struct MergeClash
{
    QByteArray mine;
    QByteArray theirs;
    std::optional<QByteArray> base; // what both started from, when there is a base
};

// A note merged from two versions: the bytes both agree on, and the clashes between them, in
// order. Bytes, not text: encodings and line ends come through as they are.
struct MergedNote
{
    struct Piece
    {
        QByteArray agreed;               // when `clash` is empty
        std::optional<MergeClash> clash; // else
    };
    QList<Piece> pieces;
    QString error; // why the two could not be merged; empty when they were

    bool ok() const { return error.isEmpty(); }
    qsizetype clashCount() const;
    // The merged bytes, each clash resolved by `choose`, which gives the bytes put in its place.
    template <typename Choose> QByteArray bytes(Choose choose) const
    {
        QByteArray merged;
        for (const Piece &piece : pieces)
            merged += piece.clash ? choose(*piece.clash) : piece.agreed;
        return merged;
    }
};

// Merges `mine` and `theirs` line by line. With a `base` both grew from, the merge is three-way:
// a change of one side goes in as it is, and only lines both changed differently clash. Without
// one it is two-way: every run of lines that differ is a clash. The merge is libgit2's, in
// memory, with no repository.
MergedNote mergeNotes(const std::optional<QByteArray> &base, const QByteArray &mine,
                      const QByteArray &theirs);

// The clashes of an unfinished merge a note holds: lines starting "<<<<<<< ", then an optional
// base part from "||||||| ", then "=======" and the other side up to ">>>>>>> ", as git and diff3
// write them. A note without whole marks is all agreed.
MergedNote mergeMarksOf(const QByteArray &note);

// Of `versions` (a note's history), the one the two sides most likely grew from: the one with
// the fewest lines that either side lacks or adds. -1 when none shares a line with both.
qsizetype closestBase(const QList<QByteArray> &versions, const QByteArray &mine,
                      const QByteArray &theirs);

} // namespace qb
