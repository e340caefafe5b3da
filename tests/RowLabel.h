#pragma once

#include <QString>
#include <QtTest/QTest>

#include <utility>

namespace qb::test {

// Names the row a loop is checking, where a _data() table does not fit: rows that share one
// window or one state, or that the loop makes up. A check that fails returns from the test
// function (or the lambda it is in), and on the way out the row it failed in is logged.
class RowLabel
{
public:
    explicit RowLabel(QString row)
        : m_row(std::move(row)), m_failedBefore(QTest::currentTestFailed())
    {
    }
    ~RowLabel()
    {
        if (QTest::currentTestFailed() && !m_failedBefore)
            qWarning("Failed in the row \"%s\"", qPrintable(m_row));
    }
    Q_DISABLE_COPY_MOVE(RowLabel)

private:
    QString m_row;
    bool m_failedBefore;
};

} // namespace qb::test
