// Writes a note's recovery copy through the program's own store, for a test that kills it on
// the way: `crash_recovery STORE NOTE` writes the copy of the test's noteContent(1) over the
// one of noteContent(0).

#include "CrashNotes.h"

#include "keeping/RecoveryStore.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_recovery STORE NOTE\n");
        return 2;
    }
    const qb::RecoveryStore store(QString::fromLocal8Bit(argv[1]));
    const qb::RecoveryCopy copy{QString::fromLocal8Bit(argv[2]),
                                {qb::TextEncoding::Utf8, false, qb::LineEnd::CrLf},
                                qb::test::noteContent(1),
                                {},
                                QDateTime::currentDateTimeUtc()};
    if (const qb::FileError error = store.write(copy).error) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(*error));
        return 1;
    }
    return 0;
}
