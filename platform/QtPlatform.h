#pragma once

#include "platform/Platform.h"

class QWidget;

namespace qb {

// The real dialogs and system calls. Every dialog opens over the window given by setOwner, as
// its child, a form made without a parent too.
class QtPlatform final : public Platform
{
public:
    void setOwner(QWidget *owner) { m_owner = owner; }

    QString inputBox(const QString &prompt, const QString &title,
                     const QString &defaultText) override;
    using Platform::messageBox;
    Button messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      std::optional<Button> defaultButton) override;
    QString fileDialog(const FileDialogRequest &request) override;
    int execDialog(QDialog &dialog) override;
    bool printDialog(QPrinter &printer) override;

    QDateTime now() override;
    QString userName() override;
    QString programDir() override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
    bool openUrl(const QUrl &url) override;

private:
    QWidget *m_owner = nullptr;
};

} // namespace qb
