#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qb::test {

// Runs `answer` on the modal dialog as soon as it shows.
inline void whenModal(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            answer(dialog);
        else
            whenModal(answer);
    });
}

} // namespace qb::test
