#include "app/EmptyGuide.h"

#include "editor/PaletteColours.h"

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
    followPalette(*this, [this] {
        if (m_make)
            setText(m_make());
    });
}

void EmptyGuide::showText(std::function<QString()> make)
{
    m_make = std::move(make);
    setText(m_make());
}

void EmptyGuide::showNoBook(const QStringList &books, const QString &newBook,
                            const QString &openBook)
{
    showText([this, books, newBook, openBook] {
        QString text = u"<p><b>No book is open.</b></p><p>New Book: %1<br>Open Book: %2</p>"_s.arg(
            newBook.toHtmlEscaped(), openBook.toHtmlEscaped());
        if (books.isEmpty())
            return text;
        // The palette's link colour, made readable on the guide's ground.
        const QString link =
            readableColour(palette().color(QPalette::Link), palette().color(QPalette::Base)).name();
        text += u"<p>Opened last:"_s;
        for (qsizetype i = 0; i < books.size(); ++i)
            text += u"<br><a href=\"recent:%1\" style=\"color:%2\">%3</a>"_s.arg(i).arg(link).arg(
                QFileInfo(books[i]).completeBaseName().toHtmlEscaped());
        return text + u"</p>"_s;
    });
}

void EmptyGuide::showNoNotes()
{
    showText([] {
        return u"<p><b>This folder has no notes.</b></p><p>File &gt; Add &gt; Make New makes one."
               "</p>"_s;
    });
}

void EmptyGuide::showMissingFolder(const QString &dir, const QString &reason)
{
    showText([dir, reason] {
        return u"<p><b>The folder \"%1\" is missing.</b></p><p>%2</p>"_s.arg(
            dir.toHtmlEscaped(), reason.toHtmlEscaped());
    });
}

} // namespace qb
