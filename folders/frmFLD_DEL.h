#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace qb {

class frmQB;

// "Quirebox - Delete Folder": names the selected folder's directory, deletes it with its files
// when the keep box is cleared, then takes the folder out of the book through
// FolderCommands::RemoveSelectedFolder. Modal, shown through Platform::execDialog.
class frmFLD_DEL final : public QDialog
{
public:
    explicit frmFLD_DEL(frmQB &window, QWidget *parent = nullptr);

    void btnCOM_Click(int index);

private:
    void createControls();
    void Form_Load();
    void DeleteSelectedFolder();

    frmQB &m_window;
    QString m_directory; // the selected folder's directory, as the dialog opened
    QLabel *m_lblTXT = nullptr;
    QLabel *m_lblMSG = nullptr;
    QCheckBox *m_chkALL = nullptr;
    QPushButton *m_btnCOM[2] = {};
};

} // namespace qb
