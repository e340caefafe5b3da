#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace qb {

// "Quirebox - Delete Folder": names the selected folder's directory and asks whether to keep it
// with its files. Ok accepts the dialog; keepFiles() tells the choice. Modal, shown through
// Platform::execDialog.
class frmFLD_DEL final : public QDialog
{
public:
    explicit frmFLD_DEL(const QString &directory, QWidget *parent = nullptr);

    bool keepFiles() const;

    void btnCOM_Click(int index);

private:
    void createControls();
    void Form_Load();

    QString m_directory;
    QLabel *m_lblTXT = nullptr;
    QLabel *m_lblMSG = nullptr;
    QCheckBox *m_chkALL = nullptr;
    QPushButton *m_btnCOM[2] = {};
};

} // namespace qb
