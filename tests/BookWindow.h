#pragma once

#include "FakePlatform.h"
#include "TestFiles.h"
#include "app/frmQB.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QTemporaryDir>

#include <memory>

namespace qb::test {

// A main window on the book "Cookbook" in a temporary directory. Each name given becomes a
// folder row whose directory of the same name is made beside the book; `extra` rows are
// written as they are.
struct BookWindow
{
    QTemporaryDir tmp;
    FakePlatform p;
    std::unique_ptr<frmQB> w;
    QString path = tmp.filePath(QStringLiteral("Cookbook.qb"));

    explicit BookWindow(const QStringList &names, const QList<FolderEntry> &extra = {})
    {
        QList<FolderEntry> rows;
        for (const QString &name : names) {
            QDir().mkpath(dir(name));
            rows.append({name, dir(name)});
        }
        WriteBytes(path, BookBytes(QStringLiteral("Cookbook"), rows + extra));
        w = std::make_unique<frmQB>(p);
        w->Form_Load(path);
    }

    QString dir(const QString &name) const { return tmp.filePath(name); }
    QString row(const QString &name, const QString &dirName) const
    {
        return name + u';' + dir(dirName) + u';';
    }
    // Lines 4 and on of the book file, without their line ends.
    QStringList folderLines() const
    {
        const QList<QByteArray> lines = ReadBytes(path).split('\n');
        QStringList result;
        for (qsizetype i = 3; i < lines.size(); ++i) {
            if (!lines.at(i).isEmpty())
                result.append(QString::fromUtf8(lines.at(i).chopped(1)));
        }
        return result;
    }
    // The folder selector as "Name=row" items.
    QStringList selector() const
    {
        QStringList items;
        for (int i = 0; i < w->lstFLDS()->count(); ++i)
            items.append(w->lstFLDS()->itemText(i) + u'=' + w->lstFLDS()->itemData(i).toString());
        return items;
    }
    void select(const QString &name)
    {
        const QSignalBlocker quiet(w->lstFLDS());
        w->lstFLDS()->setCurrentIndex(w->lstFLDS()->findText(name));
    }
};

} // namespace qb::test
