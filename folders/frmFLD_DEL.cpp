#include "folders/frmFLD_DEL.h"

#include "folders/ToolWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace qb {

frmFLD_DEL::frmFLD_DEL(const QString &directory, QWidget *parent)
    : QDialog(parent), m_directory(directory)
{
    setObjectName(u"frmFLD_DEL"_s);
    setWindowTitle(u"Quirebox - Delete Folder"_s);
    setUpToolWindow(*this, 4665, 1455);
    createControls();
    Form_Load();
}

void frmFLD_DEL::createControls()
{
    m_lblMSG = new QLabel(this);
    m_lblMSG->setObjectName(u"lblMSG"_s);
    m_lblMSG->setGeometry(px(120), px(360), px(4455), px(255));
    m_lblMSG->setTextFormat(Qt::PlainText);

    m_chkALL = new QCheckBox(u"&Keep the directories with all the files"_s, this);
    m_chkALL->setObjectName(u"chkALL"_s);
    m_chkALL->setGeometry(px(960), px(600), px(3135), px(255));
    m_chkALL->setChecked(true);

    static constexpr int buttons[2][4] = {{1200, 960, 1095, 375}, {2520, 960, 1095, 375}};
    const QString captions[2] = {u"&Ok"_s, u"&Cancel"_s};
    for (int i = 0; i < 2; ++i) {
        m_btnCOM[i] = new QPushButton(captions[i], this);
        m_btnCOM[i]->setObjectName(u"btnCOM_%1"_s.arg(i));
        m_btnCOM[i]->setGeometry(px(buttons[i][0]), px(buttons[i][1]), px(buttons[i][2]),
                                 px(buttons[i][3]));
        connect(m_btnCOM[i], &QPushButton::clicked, this, [this, i] { btnCOM_Click(i); });
    }
    m_btnCOM[0]->setDefault(true);

    m_lblTXT = new QLabel(u"Are you sure to delete:"_s, this);
    m_lblTXT->setObjectName(u"lblTXT"_s);
    m_lblTXT->setGeometry(px(120), px(120), px(1695), px(255));

    fitToText(m_lblTXT);
    fitToText(m_chkALL);
    QWidget::setTabOrder(m_chkALL, m_btnCOM[0]);
    QWidget::setTabOrder(m_btnCOM[0], m_btnCOM[1]);
}

void frmFLD_DEL::Form_Load()
{
    // A long path keeps its both ends, where the drive and the folder's own name are.
    m_lblMSG->setText(
        m_lblMSG->fontMetrics().elidedText(m_directory, Qt::ElideMiddle, m_lblMSG->width()));
    m_lblMSG->setToolTip(m_directory);
}

bool frmFLD_DEL::keepFiles() const
{
    return m_chkALL->isChecked();
}

void frmFLD_DEL::btnCOM_Click(int index)
{
    if (index == 0 && !m_directory.isEmpty())
        accept();
    else
        reject();
}

} // namespace qb
