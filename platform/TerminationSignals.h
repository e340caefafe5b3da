#pragma once

#include <QObject>

namespace qb {

// Tells, on the thread it lives in, that the system asks the program to end: SIGTERM (a logout,
// a shutdown), SIGHUP (the terminal it runs in closed) or SIGINT (Ctrl+C there). Only one lives
// at a time. Where the system has no such signals it never tells.
class TerminationSignals final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signal);

private:
    struct Impl;
    Impl *d = nullptr;
};

} // namespace qb
