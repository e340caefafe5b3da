#pragma once

#include <QPlainTextEdit>

namespace qb {

// Text shown for reading, never edited: read-only, its lines not wrapped, and no undo steps
// kept for what the program puts in.
class TextPane final : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextPane(const QString &objectName, QWidget *parent = nullptr);
};

} // namespace qb
