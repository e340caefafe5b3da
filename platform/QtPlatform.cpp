#include "platform/QtPlatform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <lmcons.h> // after the Windows types it uses
#else
#include <pwd.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QMessageBox::StandardButtons toQt(Platform::Buttons buttons)
{
    switch (buttons) {
    case Platform::Buttons::Ok:
        return QMessageBox::Ok;
    case Platform::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Platform::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Platform::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toQt(Platform::Icon icon)
{
    switch (icon) {
    case Platform::Icon::None:
        return QMessageBox::NoIcon;
    case Platform::Icon::Information:
        return QMessageBox::Information;
    case Platform::Icon::Question:
        return QMessageBox::Question;
    case Platform::Icon::Exclamation:
        return QMessageBox::Warning;
    case Platform::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Qt's file dialog keeps its history and layout in a settings file of its own under the user's
// configuration directory, while the book file is the program's only stored state. Settings
// under a Qt resource path read as empty, and Qt refuses every write to them before it reaches
// the disk.
void keepNoSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral(":/no-settings"));
}

// The input box's buttons, with their access keys.
const QString kOk = QStringLiteral("&OK");
const QString kCancel = QStringLiteral("&Cancel");

// `prompt` as a label with an access key shows it: each '&' of it doubled, so that it shows as
// it is, and one put before the first letter of its last line that `taken` (upper case) leaves
// free, for the field the label names.
QString withAccessKey(const QString &prompt, const QString &taken)
{
    const auto escaped = [](QStringView text) { return text.toString().replace(u"&"_s, u"&&"_s); };
    const qsizetype lastLine = prompt.lastIndexOf(u'\n') + 1;
    for (qsizetype i = lastLine; i < prompt.size(); ++i) {
        if (prompt[i].isLetter() && !taken.contains(prompt[i].toUpper()))
            return escaped(QStringView(prompt).first(i)) + u'&' +
                   escaped(QStringView(prompt).sliced(i));
    }
    return escaped(prompt);
}

} // namespace

QString QtPlatform::inputBox(const QString &prompt, const QString &title,
                             const QString &defaultText)
{
    QInputDialog dialog(m_owner);
    dialog.setWindowTitle(title);
    // The label is the field's buddy: Qt takes a '&' in it for an access key.
    dialog.setLabelText(withAccessKey(prompt, QString(kOk.at(1)) + kCancel.at(1)));
    dialog.setOkButtonText(kOk);
    dialog.setCancelButtonText(kCancel);
    dialog.setTextValue(defaultText);
    // Prompts carry file and folder names, which must never be read as markup.
    for (QLabel *label : dialog.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

Platform::Button QtPlatform::messageBox(const QString &text, Buttons buttons, Icon icon,
                                        const QString &title, std::optional<Button> defaultButton)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), m_owner);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton) {
        switch (*defaultButton) {
        case Button::Ok:
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Button::Cancel:
            box.setDefaultButton(QMessageBox::Cancel);
            break;
        case Button::Yes:
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Button::No:
            box.setDefaultButton(QMessageBox::No);
            break;
        }
    }
    // Closing the box with Esc or its close button counts as its most cautious answer.
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Ok:
        return Button::Ok;
    default:
        return buttons == Buttons::Ok ? Button::Ok : Button::Cancel;
    }
}

QString QtPlatform::fileDialog(const FileDialogRequest &request)
{
    keepNoSettings();
    QFileDialog dialog(m_owner, request.title);
    dialog.setNameFilters(request.filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.selectedFilter));
    const bool save = request.mode == FileDialogRequest::Mode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

int QtPlatform::execDialog(QDialog &dialog)
{
    // A form made without a parent still opens over the window, as its child, and not as a
    // window of its own somewhere else.
    if (!dialog.parentWidget() && m_owner)
        dialog.setParent(m_owner, dialog.windowFlags());
    return dialog.exec();
}

bool QtPlatform::printDialog(QPrinter &printer)
{
    // Printing to a file opens a file dialog of its own.
    keepNoSettings();
    QPrintDialog dialog(&printer, m_owner);
    // A note is printed whole or by pages: it has no selection or current page to offer.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

QDateTime QtPlatform::now()
{
    return QDateTime::currentDateTime();
}

QString QtPlatform::userName()
{
#ifdef Q_OS_WIN
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size))
        return {};
    return QString::fromWCharArray(name);
#else
    // The login name of the account running the program, as the system has it.
    if (const passwd *entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return {};
#endif
}

QString QtPlatform::programDir()
{
    return QCoreApplication::applicationDirPath();
}

bool QtPlatform::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool QtPlatform::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace qb
