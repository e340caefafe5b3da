#pragma once

#include <QComboBox>

namespace qb {

// How many texts a search field remembers.
inline constexpr int kSearchHistorySize = 20;

// A search field: an editable list of the texts searched for, newest first. Only
// addToSearchHistory adds to it: Enter must not add entries of its own, and typing must not
// complete to an older entry behind the user's back.
inline void setUpSearchHistory(QComboBox &field)
{
    field.setEditable(true);
    field.setInsertPolicy(QComboBox::NoInsert);
    field.setDuplicatesEnabled(true);
    field.setCompleter(nullptr);
}

inline void addToSearchHistory(QComboBox &field, const QString &text)
{
    field.insertItem(0, text);
    while (field.count() > kSearchHistorySize)
        field.removeItem(kSearchHistorySize);
    // Moving rows can move the combo's current item and with it the edit text; the search is
    // for what the user typed.
    field.setEditText(text);
}

} // namespace qb
