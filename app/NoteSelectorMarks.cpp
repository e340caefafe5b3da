#include "app/NoteSelectorMarks.h"

#include "notes/NoteListModel.h"

#include <QIcon>

using namespace Qt::StringLiterals;

namespace qb {

QVariant NoteSelectorMarks::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DecorationRole && role != Qt::ToolTipRole)
        return QIdentityProxyModel::data(index, role);
    using Mark = NoteListModel::ConflictMark;
    switch (QIdentityProxyModel::data(index, NoteListModel::kConflictRole).value<Mark>()) {
    case Mark::None:
        break;
    case Mark::HasCopies:
        if (role == Qt::ToolTipRole)
            return u"A sync tool kept another version of this note beside it."_s;
        return QIcon(u":/icons/has-copies.svg"_s);
    case Mark::IsCopy:
        if (role == Qt::ToolTipRole)
            return u"A version of another note, kept by a sync tool."_s;
        return QIcon(u":/icons/is-copy.svg"_s);
    }
    return {};
}

} // namespace qb
