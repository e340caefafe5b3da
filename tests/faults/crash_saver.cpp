// Saves a note through the program's own save routine, for a test that kills it on the way:
//   crash_saver NOTE once    saves the second content over the first, once
//   crash_saver NOTE loop    saves the two contents in turn until it is killed
// The two contents are the test's noteContent(0) and noteContent(1).

#include "CrashNotes.h"

#include "platform/SafeFile.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_saver NOTE once|loop\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const bool loop = std::strcmp(argv[2], "loop") == 0;
    const QByteArray contents[2] = {qb::test::noteContent(0), qb::test::noteContent(1)};
    for (int round = 1;; ++round) {
        if (const qb::FileError error = qb::writeWholeFile(path, contents[round % 2]).error) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(*error));
            return 1;
        }
        if (!loop)
            return 0;
    }
}
