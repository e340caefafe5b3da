#include "platform/FolderChanges.h"

namespace qb {

// Without a way to be told of every change, nothing is watched and callers look at the files.
FolderChanges::FolderChanges() = default;
FolderChanges::~FolderChanges() = default;

bool FolderChanges::watch(const QString &)
{
    return false;
}

void FolderChanges::unwatchAll() {}

QList<FolderChanges::Change> FolderChanges::take()
{
    return {};
}

} // namespace qb
