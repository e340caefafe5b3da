#pragma once

#include <QPlainTextEdit>

namespace qb {

// txtTEXT: the note editor. Plain text only, in a fixed-pitch font.
class NoteEditor final : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit NoteEditor(QWidget *parent = nullptr);

Q_SIGNALS:
    void filesDropped(const QStringList &paths);
};

} // namespace qb
