#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdio>
#include <cstdlib>

namespace qb::fuzz {

// Ends the run on a broken round trip, as a crash would: libFuzzer then keeps the input.
inline void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "Round trip broken: %s\n", what);
    std::abort();
}

// The two byte strings of a failed comparison, in hex, before the run ends.
inline void requireSame(QByteArrayView expected, QByteArrayView got, const char *what)
{
    if (expected == got)
        return;
    std::fprintf(stderr, "expected: %s\ngot:      %s\n",
                 expected.toByteArray().toHex(' ').constData(),
                 got.toByteArray().toHex(' ').constData());
    require(false, what);
}

} // namespace qb::fuzz
