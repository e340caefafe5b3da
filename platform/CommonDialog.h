#pragma once

#include "platform/Platform.h"

namespace qb {

// cD, the main window's one file dialog, shared by New Book, Open Book and Add Existing: each
// use starts with the file name of the one before, unless it names its own.
class CommonDialog
{
public:
    // Shows `request` through `platform`; the chosen path, empty when cancelled.
    QString show(Platform &platform, Platform::FileDialogRequest request)
    {
        if (request.initialName.isEmpty())
            request.initialName = m_fileName;
        const QString chosen = platform.fileDialog(request);
        if (!chosen.isEmpty())
            m_fileName = chosen;
        return chosen;
    }

    // Before its first use: it starts with `fileName` (the book opened last in an earlier run).
    void startFrom(const QString &fileName)
    {
        if (m_fileName.isEmpty())
            m_fileName = fileName;
    }

private:
    QString m_fileName;
};

} // namespace qb
