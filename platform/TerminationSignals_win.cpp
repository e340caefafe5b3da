#include "platform/TerminationSignals.h"

namespace qb {

// Windows ends a session through the window system, which the session manager's commit-data
// request carries; there are no signals to hear.
struct TerminationSignals::Impl
{
};

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent), d(new Impl) {}

TerminationSignals::~TerminationSignals()
{
    delete d;
}

} // namespace qb
