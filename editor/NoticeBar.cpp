#include "editor/NoticeBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace qb {

NoticeBar::NoticeBar(QWidget *parent) : QFrame(parent), m_text(new QLabel(this))
{
    setObjectName(u"noticeBar"_s);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAccessibleName(u"Notice"_s);
    m_text->setObjectName(u"noticeLabel"_s);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->addWidget(m_text, 1);
    m_buttons = new QHBoxLayout;
    row->addLayout(m_buttons);
    hide();
}

void NoticeBar::showNotice(const QString &text, const QList<QAction *> &actions)
{
    while (QLayoutItem *item = m_buttons->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_text->setText(text);
    setAccessibleDescription(text);
    if (text.isEmpty()) {
        hide();
        return;
    }
    for (QAction *action : actions) {
        auto *button = new QToolButton(this);
        button->setDefaultAction(action);
        // Named after its action: "noticeCloseAction" gives "noticeCloseButton".
        QString name = action->objectName();
        if (name.endsWith(u"Action"_s))
            name.chop(6);
        button->setObjectName(name + u"Button"_s);
        button->setToolButtonStyle(action->icon().isNull() ? Qt::ToolButtonTextOnly
                                                           : Qt::ToolButtonIconOnly);
        // Reached with Tab, never taken by a click: the keys stay with the editor.
        button->setFocusPolicy(Qt::TabFocus);
        m_buttons->addWidget(button);
    }
    show();
}

QString NoticeBar::text() const
{
    return m_text->text();
}

} // namespace qb
