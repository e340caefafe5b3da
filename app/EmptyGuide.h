#pragma once

#include <QLabel>
#include <QStringList>

#include <functional>

namespace qb {

// What the editor's place shows when there is no note to show, and what to do next: with no
// book open, the keys of New Book and Open Book and the recent books as links; a folder without
// notes, or one whose directory is missing. Never editable, and never taking the focus.
class EmptyGuide final : public QLabel
{
public:
    explicit EmptyGuide(QWidget *parent = nullptr);

    // `books` as links "recent:N", N their place in the list; `newBook` and `openBook` the keys.
    void showNoBook(const QStringList &books, const QString &newBook, const QString &openBook);
    void showNoNotes();
    void showMissingFolder(const QString &dir, const QString &reason);

private:
    // Shows what `make` gives, again whenever the palette changes: the links' colour follows it.
    void showText(std::function<QString()> make);

    std::function<QString()> m_make;
};

} // namespace qb
