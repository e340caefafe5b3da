#pragma once

#include "find/ByteAnchors.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <utility>
#include <vector>

namespace qb {

// A text to look for in many notes, prepared once. The matches are exactly those of findText
// (the Find dialog's rule) in the note's text as the editor holds it; a first look at a note's
// raw bytes rules out most notes that cannot hold the text, so that they are never decoded.
class NoteMatcher
{
public:
    NoteMatcher(QStringView what, Qt::CaseSensitivity cs);

    // True when no note can hold a match: an empty text, or one holding a line feed, which the
    // editor's text never does (its line breaks are paragraph separators).
    bool findsNothing() const { return m_never; }
    qsizetype length() const { return m_units.size(); }

    // False when `noteBytes`, decoded by decodeNoteBytes in either encoding, cannot hold a
    // match. True promises nothing.
    bool mayMatch(QByteArrayView noteBytes) const;

    // Where the first match at `from` or later starts in `decodedText` (DecodedNote::text, whose
    // line breaks are '\n'); -1 when there is none. The same position as findText gives in the
    // editor's text, where each '\n' is a paragraph separator.
    qsizetype indexIn(QStringView decodedText, qsizetype from) const;

private:
    struct ByteSet
    {
        std::array<quint64, 4> bits{};
        void add(uchar b) { bits[b >> 6] |= quint64(1) << (b & 63); }
        bool has(uchar b) const { return (bits[b >> 6] >> (b & 63)) & 1; }
    };
    void buildBytePattern();
    // Whether the unit at `i` matches the character `c` as a match compares them.
    bool unitMatches(char16_t c, qsizetype i) const;
    // The longest run of units that only ASCII characters other than a line feed match: its
    // start and end.
    std::pair<qsizetype, qsizetype> longestByteRun() const;
    // The ASCII bytes that match the unit at `i`; the bytes that can stand beside a run for it.
    ByteSet asciiMatching(qsizetype i) const;
    ByteSet besideRun(qsizetype i, bool before) const;
    bool patternAt(const uchar *bytes) const;
    qsizetype foldedIndexIn(QStringView text, qsizetype from) const;

    QString m_units; // the text, its paragraph separators as '\n' to match decoded text
    Qt::CaseSensitivity m_cs;
    bool m_never = false;
    bool m_qtSearch = false;      // matched by findText itself (case matched, or half a pair)
    std::vector<char32_t> m_keys; // each unit folded as a match compares it

    // Bytes every match leaves in a note's file, one set per byte; empty when the text gives no
    // such bytes, and every note is decoded.
    std::vector<ByteSet> m_pattern;
    ByteAnchor m_first, m_second; // compared sixteen places at a time
};

} // namespace qb
