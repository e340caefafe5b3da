// Writes the program's state file through the program's own writer, for a test that kills it on
// the way: `crash_state FILE` writes the state of stateContent(1).

#include "notes/ProgramState.h"
#include "platform/StateFile.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_state FILE STATE\n");
        return 2;
    }
    qb::StateFileWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.schedule(QJsonDocument::fromJson(QByteArray(argv[2])).object());
    writer.flush();
    return 0;
}
