#pragma once

#include "platform/Platform.h"

#include <QDialog>
#include <QList>
#include <QPrinter>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>

namespace qb::test {

// A scripted stand-in for the user and the system. Each prompt takes the next scripted answer
// in order and is recorded with its exact words, so a test can check what the user would see.
// A prompt with no answer left, or whose next answer is of another kind (a message box answer
// where an input box asks), counts in `unexpected`, which fails the test.
class FakePlatform final : public Platform
{
public:
    enum class Kind { Input, Message, File, Dialog, Print };
    struct Prompt
    {
        Kind kind;
        QString text = {}; // prompt or message text
        QString title = {};
        QString defaultText = {};
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        FileDialogRequest file = {};
        std::optional<Button> defaultButton = {};
    };

    // Answers, consumed in order across all prompt kinds.
    void answerInput(const QString &text) { m_answers.push_back({Kind::Input, text}); }
    void answerMessage(Button button) { m_answers.push_back({Kind::Message, {}, button}); }
    void answerFile(const QString &path) { m_answers.push_back({Kind::File, path}); }
    // A modal form: the handler drives it (types, clicks) and returns its result code; without
    // one the form is rejected.
    void answerDialog(std::function<int(QDialog &)> handler)
    {
        m_answers.push_back({Kind::Dialog, {}, {}, std::move(handler)});
    }
    // The print dialog: the handler sets the printer up as the user would (a printer, or a file,
    // the pages) and returns whether they pressed Print; without one the dialog is cancelled.
    void answerPrint(std::function<bool(QPrinter &)> handler)
    {
        m_answers.push_back({Kind::Print, {}, {}, {}, std::move(handler)});
    }
    bool allAnswered() const { return m_answers.empty(); }

    QList<Prompt> prompts;
    QList<QPair<QString, QStringList>> started; // programs started, with their arguments
    QList<QUrl> opened;
    QDateTime clock = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9));
    QString user = QStringLiteral("operator");
    QString programDirectory;
    bool startSucceeds = true;
    int unexpected = 0; // prompts that found no scripted answer of their kind

    QString inputBox(const QString &prompt, const QString &title,
                     const QString &defaultText) override
    {
        prompts.append({Kind::Input, prompt, title, defaultText});
        return take(Kind::Input).text;
    }
    using Platform::messageBox;
    Button messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      std::optional<Button> defaultButton) override
    {
        prompts.append({Kind::Message, text, title, {}, buttons, icon, {}, defaultButton});
        return take(Kind::Message).button;
    }
    QString fileDialog(const FileDialogRequest &request) override
    {
        prompts.append({Kind::File, {}, request.title, request.initialName, {}, {}, request});
        return take(Kind::File).text;
    }
    int execDialog(QDialog &dialog) override
    {
        prompts.append({Kind::Dialog, {}, dialog.windowTitle()});
        const Answer a = take(Kind::Dialog);
        return a.dialog ? a.dialog(dialog) : int(QDialog::Rejected);
    }
    // Recorded with the printer's document name as its title.
    bool printDialog(QPrinter &printer) override
    {
        prompts.append({Kind::Print, {}, printer.docName()});
        const Answer a = take(Kind::Print);
        return a.print && a.print(printer);
    }
    QDateTime now() override { return clock; }
    QString userName() override { return user; }
    QString programDir() override { return programDirectory; }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        started.append({program, arguments});
        return startSucceeds;
    }
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }

private:
    struct Answer
    {
        Kind kind;
        QString text = {};
        Button button = Button::Cancel;
        std::function<int(QDialog &)> dialog = {};
        std::function<bool(QPrinter &)> print = {};
    };
    Answer take(Kind kind)
    {
        if (m_answers.empty() || m_answers.front().kind != kind) {
            ++unexpected;
            return {kind};
        }
        Answer a = std::move(m_answers.front());
        m_answers.pop_front();
        return a;
    }
    std::deque<Answer> m_answers;
};

} // namespace qb::test
