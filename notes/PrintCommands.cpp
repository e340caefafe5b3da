#include "notes/PrintCommands.h"

#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"
#include "editor/NoteView.h"
#include "editor/PrintedPages.h"
#include "notes/NoteSession.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"
#include "platform/SafeFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPdfWriter>
#include <QPrinter>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// Room around the text on every page, in millimetres.
const QMarginsF kMargins(20, 15, 20, 15);

// Whether the editor shows a secret note's clear text. A decrypted note's text is clear
// whatever it holds, since its save encrypts it. Otherwise the text shown is what its file
// keeps when it reads as an enciphered note (an encrypted note's armour, an encoded note's
// cipher text) as a save would write it; a decoded note's does not.
bool showsClearSecret(const NoteSession &session, const QTextDocument &document)
{
    if (!session.keepsTextSecret())
        return false;
    switch (session.protection()) {
    case NoteSession::Protection::Decrypted:
        return true;
    case NoteSession::Protection::Armour:
        return false;
    case NoteSession::Protection::None:
        break;
    }
    NoteEncoder head(session.format());
    encodeEditorText(document, 0, std::min(documentTextLength(document), kNoteKindBytes), head);
    return noteKindOf(head.takeBytes()) == ShowableNote::Kind::Plain;
}

bool isLarge(const QTextDocument &document)
{
    return documentTextLength(document) * 2 >= kLongCommandBytes;
}

// The paper of the user's country.
QPageSize localPaper()
{
    return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                : QPageSize::A4);
}

} // namespace

bool PrintCommands::mayLeave(const QString &done, const QString &doing, const QString &title) const
{
    if (!m_session.isShown())
        return false;
    if (!showsClearSecret(m_session, m_document.document()))
        return true;
    const bool decrypted = m_session.protection() == NoteSession::Protection::Decrypted;
    const QString text =
        decrypted ? u"A decrypted note is not %1: its text would leave the program unencrypted. "
                    "Encrypt it again to %2 it as it is kept."_s
                  : u"A decoded note is not %1: its text would leave the program unencoded. "
                    "Encode it again to %2 it as it is kept."_s;
    m_platform.messageBox(text.arg(done, doing), Platform::Buttons::Ok, Platform::Icon::Information,
                          title);
    return false;
}

void PrintCommands::print()
{
    const QString title = u"Print"_s;
    if (!mayLeave(u"printed"_s, u"print"_s, title))
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_session.noteName());
    printer.setCreator(u"Quirebox"_s);
    printer.setPageMargins(kMargins, QPageLayout::Millimeter);
    if (!m_platform.printDialog(printer))
        return;
    const QTextDocument &document = m_document.document();
    const LongCommand busy(isLarge(document));
    if (printPages(document, m_view.printFont(), m_session.noteName(), printer) > 0 &&
        printer.printerState() != QPrinter::Error)
        return;
    const QString file = printer.outputFileName();
    m_platform.reportError(u"Quirebox can't print the note "_s + quoted(m_session.path()) + u"."_s,
                           file.isEmpty() ? u"The printer did not take the pages."_s
                                          : u"The file "_s + quoted(file) + u" can't be written."_s,
                           title);
}

void PrintCommands::exportPdf()
{
    const QString title = u"Export as PDF"_s;
    if (!mayLeave(u"exported"_s, u"export"_s, title))
        return;
    const QString name = m_session.noteName();
    const QString folder =
        m_exportFolder.isEmpty() ? QFileInfo(m_session.path()).absolutePath() : m_exportFolder;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Save;
    request.title = title;
    request.filters = {u"PDF (*.pdf)"_s};
    request.confirmOverwrite = true;
    request.initialName = QDir(folder).filePath(name + u".pdf"_s);
    request.defaultSuffix = u"pdf"_s;
    const QString path = m_platform.fileDialog(request);
    if (path.isEmpty())
        return;
    m_exportFolder = QFileInfo(path).absolutePath();
    const QString what = u"Quirebox can't export the note to "_s + quoted(path) + u"."_s;
    if (QFileInfo(path) == QFileInfo(m_session.path())) {
        m_platform.reportError(what, u"That is the note's own file."_s, title);
        return;
    }

    const QTextDocument &document = m_document.document();
    const LongCommand busy(isLarge(document));
    // Made in memory, then written as every file is, so that a failure leaves no half a PDF.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(name);
        writer.setCreator(u"Quirebox"_s);
        writer.setPageSize(localPaper());
        writer.setPageMargins(kMargins, QPageLayout::Millimeter);
        if (printPages(document, m_view.printFont(), name, writer) == 0) {
            m_platform.reportError(what, u"The pages could not be made."_s, title);
            return;
        }
    }
    const WriteResult written = writeWholeFile(path, pdf.data());
    if (!written.ok())
        m_platform.reportError(what, *written.error, title);
}

} // namespace qb
