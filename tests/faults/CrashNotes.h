#pragma once

#include <QByteArray>

namespace qb::test {

// The two contents a killed save writes in turn: 4 MiB each, different in every 4 KiB page, so
// that any mix of the two, or a part of either, tells from both.
inline QByteArray noteContent(int which)
{
    QByteArray bytes;
    bytes.reserve(4 << 20);
    const QByteArray line = which == 0 ? QByteArray("The first content of the note, line ")
                                       : QByteArray("Another content entirely, written as line ");
    for (int i = 0; bytes.size() < (4 << 20); ++i)
        bytes += line + QByteArray::number(i) + "\r\n";
    bytes.truncate(4 << 20);
    return bytes;
}

} // namespace qb::test
