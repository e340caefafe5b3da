#include "app/EmptyGuide.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {

EmptyGuide::EmptyGuide(QWidget *parent) : QLabel(parent)
{
    setObjectName(u"emptyGuide"_s);
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setMargin(24);
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void EmptyGuide::showNoBook(const QStringList &books, const QString &newBook,
                            const QString &openBook)
{
    QString text = u"<p><b>No book is open.</b></p><p>New Book: %1<br>Open Book: %2</p>"_s.arg(
        newBook.toHtmlEscaped(), openBook.toHtmlEscaped());
    if (!books.isEmpty()) {
        text += u"<p>Opened last:"_s;
        for (qsizetype i = 0; i < books.size(); ++i)
            text += u"<br><a href=\"recent:%1\">%2</a>"_s.arg(i).arg(
                QFileInfo(books[i]).completeBaseName().toHtmlEscaped());
        text += u"</p>"_s;
    }
    setText(text);
}

void EmptyGuide::showNoNotes()
{
    setText(u"<p><b>This folder has no notes.</b></p><p>File &gt; Add &gt; Make New makes one."
            "</p>"_s);
}

void EmptyGuide::showMissingFolder(const QString &dir, const QString &reason)
{
    setText(u"<p><b>The folder \"%1\" is missing.</b></p><p>%2</p>"_s.arg(dir.toHtmlEscaped(),
                                                                          reason.toHtmlEscaped()));
}

} // namespace qb
