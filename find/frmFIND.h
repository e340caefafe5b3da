#pragma once

#include "find/TextSearch.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace qb {

// The modeless Find dialog. It is made once and then only hidden, so its text, its history and
// its check boxes last until the program ends. Owned by its parent window. It says what to look
// for; whoever searches hides it when the search found something.
class frmFIND final : public QDialog
{
    Q_OBJECT
public:
    explicit frmFIND(QWidget *parent);

    QComboBox *txtFIND() const { return m_txtFIND; }
    QCheckBox *chkCASE() const { return m_chkCASE; }
    QCheckBox *chkBEGIN() const { return m_chkBEGIN; }
    QPushButton *btnCOM(int index) const { return m_btnCOM[index]; }

    // The text, Match Case and From the Beginning as they are now.
    FindRequest request() const;
    // The keyboard to the search text, after a search found nothing.
    void focusText();

    // 0: Find Next, 1: Cancel.
    void btnCOM_Click(int index);

Q_SIGNALS:
    // The text or Match Case changed: Find Next in the main window follows them.
    void requestChanged(const qb::FindRequest &request);
    // Find Next was pressed.
    void findRequested(const qb::FindRequest &request);

private:
    void addToHistory(const QString &text);

    QLabel *m_lblTXT = nullptr;
    QComboBox *m_txtFIND = nullptr;
    QCheckBox *m_chkCASE = nullptr;
    QCheckBox *m_chkBEGIN = nullptr;
    QPushButton *m_btnCOM[2] = {};
};

} // namespace qb
