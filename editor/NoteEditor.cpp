#include "editor/NoteEditor.h"

#include <QFontDatabase>
#include <QFontInfo>

using namespace Qt::StringLiterals;

namespace qb {

NoteEditor::NoteEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(u"txtTEXT"_s);
    QFont font(u"Courier New"_s);
    font.setPointSizeF(9.75);
    if (QFontInfo(font).family() != font.family()) {
        const qreal size = font.pointSizeF();
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(size);
    }
    setFont(font);
}

} // namespace qb
