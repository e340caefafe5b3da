#pragma once

#include <QFrame>
#include <QList>

class QAction;
class QHBoxLayout;
class QLabel;

namespace qb {

// A bar above the editor that tells something without taking the keyboard: it never takes the
// focus when it shows, so what the user types goes on into the editor. Its buttons are actions
// of the window, reached with the mouse or with Tab from the selectors.
class NoticeBar final : public QFrame
{
public:
    explicit NoticeBar(QWidget *parent = nullptr);

    // Shows `text` with a button for each action; an empty text hides the bar.
    void showNotice(const QString &text, const QList<QAction *> &actions);
    QString text() const;

private:
    QLabel *m_text;
    QHBoxLayout *m_buttons;
};

} // namespace qb
