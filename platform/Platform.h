#pragma once

#include "platform/QuotedPath.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;
class QUrl;

namespace qb {

// Everything the program asks of the user or of the system goes through here: the message box,
// the input box, the file dialog, the print dialog, modal forms, the clock, the user name, the
// program's directory and starting other programs. QtPlatform is the real one; tests script a fake.
class Platform
{
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Button { Ok, Cancel, Yes, No };
    enum class Icon { None, Information, Question, Exclamation, Critical };

    struct FileDialogRequest
    {
        enum class Mode { Open, Save };
        Mode mode = Mode::Open;
        QString title;
        QStringList filters; // Qt filter entries, e.g. "Quirebox (QB) (*.qb)"
        int selectedFilter = 0;
        bool confirmOverwrite = false;
        QString initialName;   // file name or path the dialog starts with
        QString defaultSuffix; // added to a name chosen without one, e.g. "pdf"
    };

    virtual ~Platform() = default;

    // Returns the typed text; the empty string on Cancel.
    virtual QString inputBox(const QString &prompt, const QString &title,
                             const QString &defaultText) = 0;
    // A message box; the default button, the one Enter presses, is the toolkit's choice unless
    // given.
    virtual Button messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                              std::optional<Button> defaultButton) = 0;
    Button messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title)
    {
        return messageBox(text, buttons, icon, title, std::nullopt);
    }
    // Returns the chosen path; the empty string when cancelled.
    virtual QString fileDialog(const FileDialogRequest &request) = 0;
    // Shows a modal form and returns its result code (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog &dialog) = 0;
    // The system's print dialog, which sets `printer` up as the user chooses: which printer or
    // file, the pages, the copies. False when the user cancelled.
    virtual bool printDialog(QPrinter &printer) = 0;

    virtual QDateTime now() = 0;
    // Login name of the current user; empty when it cannot be had.
    virtual QString userName() = 0;
    // Directory of the running executable.
    virtual QString programDir() = 0;
    // Starts `program` with `arguments` as they are (no shell); false when it could not start.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
    virtual bool openUrl(const QUrl &url) = 0;

    // A message box telling what could not be done, then, on the next line, the reason.
    void reportError(const QString &what, const QString &reason, const QString &title)
    {
        messageBox(what + QStringLiteral("\r\n") + reason, Buttons::Ok, Icon::Exclamation, title);
    }
};

} // namespace qb
