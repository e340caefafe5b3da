#pragma once

#include <QIdentityProxyModel>

namespace qb {

// The note selector's rows as the note list gives them, a note with copies that sync tools
// kept, and each such copy, marked with a picture and a tool tip.
class NoteSelectorMarks final : public QIdentityProxyModel
{
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override;
};

} // namespace qb
