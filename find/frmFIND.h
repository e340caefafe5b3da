#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace qb {

class FindCommands;

// The modeless Find dialog. It is made once and then only hidden, so its text, its history and
// its check boxes last until the program ends. Owned by its parent window; it searches through
// the FindCommands that made it.
class frmFIND final : public QDialog
{
public:
    static constexpr int HistorySize = 20;

    frmFIND(FindCommands &commands, QWidget *parent);

    QComboBox *txtFIND() const { return m_txtFIND; }
    QCheckBox *chkCASE() const { return m_chkCASE; }
    QCheckBox *chkBEGIN() const { return m_chkBEGIN; }
    QPushButton *btnCOM(int index) const { return m_btnCOM[index]; }

    QString SearchText() const;
    Qt::CaseSensitivity CaseSensitivity() const;

    // 0: Find Next, 1: Cancel.
    void btnCOM_Click(int index);

private:
    void AddToHistory(const QString &text);

    FindCommands &m_commands;
    QLabel *m_lblTXT = nullptr;
    QComboBox *m_txtFIND = nullptr;
    QCheckBox *m_chkCASE = nullptr;
    QCheckBox *m_chkBEGIN = nullptr;
    QPushButton *m_btnCOM[2] = {};
};

} // namespace qb
