// The main window's status bar: the note's status, its file, the date, the time and the version.
#include "app/frmQB.h"

#include "app/Described.h"

#include "platform/DateTimeText.h"
#include "platform/Platform.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace qb {

void frmQB::createStatusBar()
{
    QStatusBar *sBAR = statusBar();
    sBAR->setObjectName(u"sBAR"_s);
    // The panels in order, with their width in twips (0: what is left over).
    const std::pair<QLabel **, int> panels[] = {{&m_panels.status, 1764},
                                                {&m_panels.path, 0},
                                                {&m_panels.date, 1764},
                                                {&m_panels.time, 1058},
                                                {&m_panels.version, 1764}};
    int number = 0;
    for (const auto &[panel, width] : panels) {
        *panel = new QLabel(sBAR);
        (*panel)->setObjectName(u"sBAR_Panel%1"_s.arg(++number));
        (*panel)->setFrameShape(QFrame::StyledPanel);
        (*panel)->setFrameShadow(QFrame::Sunken);
        (*panel)->setMinimumWidth(px(width));
        // Permanent all five, so that they keep their order: Qt puts its other widgets, and its
        // passing message, left of the permanent ones.
        sBAR->addPermanentWidget(*panel, width == 0 ? 1 : 0);
    }
    // The path gives way to a passing message; the others always show.
    connect(sBAR, &QStatusBar::messageChanged, m_panels.path,
            [this](const QString &message) { showPath(m_pathText, message); });
    m_panels.status->setText(u"Unchanged"_s);
    m_panels.status->setToolTip(u"File Status"_s);
    m_panels.path->setToolTip(u"File Path"_s);
    m_panels.path->setTextFormat(Qt::PlainText);
    describe(m_panels.status, u"File Status"_s, u"Whether the note shown is saved"_s);
    describe(m_panels.path, u"File Path"_s, u"The file of the note shown"_s);
    describe(m_panels.date, u"Date"_s, u"Today's date"_s);
    describe(m_panels.time, u"Time"_s, u"The time"_s);
    describe(m_panels.version, u"Version"_s, u"The version of Quirebox"_s);
    describe(sBAR, u"Status bar"_s, u"The note's status and file, the date, the time"_s);
    if (auto *grip = sBAR->findChild<QSizeGrip *>())
        describe(grip, u"Size"_s, u"Drag to change the window's size"_s);

    m_clock = new QTimer(this);
    m_clock->setObjectName(u"clockTimer"_s);
    m_clock->setSingleShot(true);
    // Precise: a coarse timer may fire a little before the minute turns, and wake twice for it.
    m_clock->setTimerType(Qt::PreciseTimer);
    connect(m_clock, &QTimer::timeout, this, &frmQB::updateClockPanels);
    updateClockPanels();
}

void frmQB::showPath(const QString &text)
{
    showPath(text, statusBar()->currentMessage());
}

void frmQB::showPath(const QString &text, const QString &message)
{
    m_pathText = text;
    m_panels.path->setText(message.isEmpty() ? text : message);
}

// The panels show hours and minutes: the program wakes for them once a minute, as the minute
// turns, and the date turns with the minute at midnight.
void frmQB::updateClockPanels()
{
    const QDateTime now = m_platform.now();
    m_panels.date->setText(shortDateText(now.date()));
    m_panels.time->setText(shortTimeText(now.time()));
    const int intoMinute = now.time().second() * 1000 + now.time().msec();
    m_clock->start(60'000 - intoMinute + 20);
}

} // namespace qb
