#include "find/frmFIND.h"

#include "find/SearchHistory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qb {

frmFIND::frmFIND(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"frmFIND"_s);
    setWindowTitle(u"Find"_s);
    setModal(false);

    m_lblTXT = new QLabel(u"Text:"_s, this);
    m_lblTXT->setObjectName(u"lblTXT"_s);
    m_txtFIND = new QComboBox(this);
    m_txtFIND->setObjectName(u"txtFIND"_s);
    setUpSearchHistory(*m_txtFIND);
    m_txtFIND->setMinimumWidth(220);
    m_txtFIND->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lblTXT->setBuddy(m_txtFIND);

    m_chkCASE = new QCheckBox(u"&Match Case"_s, this);
    m_chkCASE->setObjectName(u"chkCASE"_s);
    m_chkBEGIN = new QCheckBox(u"From the &Beginning"_s, this);
    m_chkBEGIN->setObjectName(u"chkBEGIN"_s);

    static constexpr const char16_t *captions[2] = {u"&Find Next", u"&Cancel"};
    for (int i = 0; i < 2; ++i) {
        m_btnCOM[i] = new QPushButton(QString::fromUtf16(captions[i]), this);
        m_btnCOM[i]->setObjectName(u"btnCOM_%1"_s.arg(i));
        connect(m_btnCOM[i], &QPushButton::clicked, this, [this, i] { btnCOM_Click(i); });
    }
    m_btnCOM[0]->setDefault(true);
    m_btnCOM[0]->setAutoDefault(true);
    m_btnCOM[1]->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_lblTXT, 0, 0);
    grid->addWidget(m_txtFIND, 0, 1);
    grid->addWidget(m_chkCASE, 1, 1);
    grid->addWidget(m_chkBEGIN, 2, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_btnCOM[0]);
    buttons->addWidget(m_btnCOM[1]);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 3, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    const auto changed = [this] { Q_EMIT requestChanged(request()); };
    connect(m_txtFIND, &QComboBox::editTextChanged, this, changed);
    connect(m_chkCASE, &QCheckBox::toggled, this, changed);

    setTabOrder(m_txtFIND, m_chkCASE);
    setTabOrder(m_chkCASE, m_chkBEGIN);
    setTabOrder(m_chkBEGIN, m_btnCOM[0]);
    setTabOrder(m_btnCOM[0], m_btnCOM[1]);
    m_txtFIND->setFocus();
}

FindRequest frmFIND::request() const
{
    return {m_txtFIND->currentText(),
            m_chkCASE->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive,
            m_chkBEGIN->isChecked()};
}

void frmFIND::focusText()
{
    m_txtFIND->setFocus();
}

void frmFIND::addToHistory(const QString &text)
{
    addToSearchHistory(*m_txtFIND, text);
}

void frmFIND::btnCOM_Click(int index)
{
    m_txtFIND->setFocus();
    if (index != 0) {
        hide();
        return;
    }
    addToHistory(m_txtFIND->currentText());
    Q_EMIT findRequested(request());
}

} // namespace qb
