#pragma once

#include "RowLabel.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QtTest/QTest>

namespace qb::test {

// The environment of a child that the preloaded qbfault library kills right after its system
// call number `call` in `folder`, with `fault` (as QBFAULT takes it) armed too when given.
inline QProcessEnvironment
killedAfterCall(int call, const QString &folder, const QString &fault = {},
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
{
    environment.insert(QStringLiteral("QBFAULT_KILL_AFTER"),
                       QStringLiteral("%1:%2").arg(call).arg(folder));
    if (!fault.isEmpty())
        environment.insert(QStringLiteral("QBFAULT"), fault);
    return environment;
}

// Runs one piece of work in child processes killed right after its first system call, then
// its second, and so on, until a child ends by itself, with exit code 0, after `leastKills`
// kills at least. `once(call, child)` readies a fresh folder, runs `child` to its end with
// killedAfterCall(call, ...), and checks what it left; the runs stop at a failed check.
template <typename Once> void killAfterEachCall(int leastKills, Once once)
{
    int kills = 0;
    for (int call = 1;; ++call) {
        const RowLabel row(QStringLiteral("killed after system call %1").arg(call));
        QProcess child;
        once(call, child);
        if (QTest::currentTestFailed())
            return;
        if (child.exitStatus() == QProcess::NormalExit) {
            QCOMPARE(child.exitCode(), 0);
            break;
        }
        ++kills;
    }
    QVERIFY2(kills >= leastKills, qPrintable(QString::number(kills)));
    qInfo("killed after each of %d system calls", kills);
}

} // namespace qb::test
