#include "editor/TextPane.h"

namespace qb {

TextPane::TextPane(const QString &objectName, QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(objectName);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    document()->setUndoRedoEnabled(false);
}

} // namespace qb
