#include "encoder/PassphraseDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QLineEdit *hiddenField(QWidget *parent, const QString &name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setMinimumWidth(260);
    return field;
}

} // namespace

PassphraseDialog::PassphraseDialog(Purpose purpose, QWidget *parent, const QString &about)
    : QDialog(parent), m_passphrase(hiddenField(this, u"passphraseField"_s))
{
    setObjectName(u"passphraseDialog"_s);
    setWindowTitle(u"Passphrase"_s);
    auto *fields = new QFormLayout;
    if (!about.isEmpty()) {
        auto *label = new QLabel(about, this);
        label->setObjectName(u"passphraseAboutLabel"_s);
        label->setWordWrap(true);
        fields->addRow(label);
    }
    fields->addRow(u"&Passphrase:"_s, m_passphrase);
    if (purpose == Purpose::Encrypt) {
        m_again = hiddenField(this, u"passphraseRepeatField"_s);
        fields->addRow(u"&Again:"_s, m_again);
        m_mismatch = new QLabel(u"The two are not the same."_s, this);
        m_mismatch->setObjectName(u"passphraseMismatchLabel"_s);
        m_mismatch->hide();
        fields->addRow(m_mismatch);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(u"passphraseOkButton"_s);
    m_ok->setDefault(true);
    m_ok->setText(u"&OK"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"&Cancel"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_passphrase, &QLineEdit::textChanged, this, &PassphraseDialog::check);
    if (m_again)
        connect(m_again, &QLineEdit::textChanged, this, &PassphraseDialog::check);
    auto *column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addWidget(buttons);
    check();
}

PassphraseDialog::~PassphraseDialog()
{
    takePassphrase();
}

void PassphraseDialog::check()
{
    const bool same = !m_again || m_again->text() == m_passphrase->text();
    if (m_mismatch)
        m_mismatch->setVisible(!same && !m_again->text().isEmpty());
    m_ok->setEnabled(!m_passphrase->text().isEmpty() && same);
}

QString PassphraseDialog::takePassphrase()
{
    QString passphrase = m_passphrase->text();
    m_passphrase->clear();
    if (m_again)
        m_again->clear();
    return passphrase;
}

} // namespace qb
