#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qb {

class Platform;

// "Add Folder": picks a directory, and can make a new one inside it. Ok accepts the dialog;
// the directory chosen is openDirectory(). Modal, shown through Platform::execDialog; the
// platform tells the user when a drive or a new directory fails, and must outlive the dialog.
class frmFLD final : public QDialog
{
public:
    explicit frmFLD(Platform &platform, QWidget *parent = nullptr);

    // The directory the list has open: the one opened last, not the one highlighted.
    QString openDirectory() const { return m_openDir; }
    // Opens `path` in the directory list; false, with nothing changed, when it cannot be read.
    bool openDirectoryAt(const QString &path);

    void Drive_Change();
    void btnCOM_Click(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void orderTabs();
    // Refills the directory list; `highlight` names an entry to highlight instead of the open one.
    void fillDirList(const QString &highlight = {});
    void showDriveOf(const QString &path);
    void Dir_Open(QTreeWidgetItem *item);
    void createDirectory();

    Platform &m_platform;
    QString m_openDir;
    QComboBox *m_Drive = nullptr;
    QTreeWidget *m_Dir = nullptr;
    QGroupBox *m_corFLD[3] = {};
    QLineEdit *m_txtFLD = nullptr;
    QPushButton *m_btnCOM[3] = {};
};

} // namespace qb
