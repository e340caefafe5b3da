#include "launch/mgABOUT.h"

#include "launch/AboutLinks.h"
#include "platform/Platform.h"

#include "platform/Twips.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QRect twipRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

QLabel *picture(QWidget *parent, const QString &name, const QString &file, const QRect &frame,
                QSize pictureSize)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(frame);
    label->setPixmap(QIcon(u":/about/"_s + file).pixmap(pictureSize));
    label->setScaledContents(true);
    return label;
}

} // namespace

mgABOUT::mgABOUT(Platform &platform, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_platform(platform)
{
    setObjectName(u"mgABOUT"_s);
    setFixedSize(px(4290), px(2475));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setMouseTracking(true);

    for (int i = 0; i < 2; ++i) {
        m_lnDIV[i] = new QFrame(this);
        m_lnDIV[i]->setObjectName(u"lnDIV_%1"_s.arg(i));
        m_lnDIV[i]->setGeometry(px(120), px(i == 0 ? 1080 : 2040), px(4200 - 120), 1);
        QPalette white = m_lnDIV[i]->palette();
        white.setColor(QPalette::Window, Qt::white);
        m_lnDIV[i]->setPalette(white);
        m_lnDIV[i]->setAutoFillBackground(true);
    }
    createPictures();
    createTexts();
}

void mgABOUT::createPictures()
{
    m_imgMOSSGR =
        picture(this, u"imgMOSSGR"_s, u"logo.svg"_s, twipRect(150, 45, 1695, 960), QSize(113, 64));
    m_btnEND =
        picture(this, u"btnEND"_s, u"close.svg"_s, twipRect(3480, 0, 810, 795), QSize(54, 53));
    m_btnEND->installEventFilter(this);
    // The emblem lies over the lower line.
    m_imgIcon =
        picture(this, u"imgIcon"_s, u"emblem.svg"_s, twipRect(240, 1920, 480, 480), QSize(32, 32));
}

void mgABOUT::createTexts()
{
    struct Line
    {
        QString text;
        QRect frame;
        QColor colour;
    };
    const QColor green(0, 192, 0);
    const QColor pale(128, 255, 128);
    const Line lines[4] = {
        {about::kMakerLine.toString(), twipRect(120, 1200, 4095, 255), green},
        {u"> "_s + about::kMailAddress.toString(), twipRect(120, 1440, 4095, 255), pale},
        {u"> "_s + about::webLinkTarget().toString(), twipRect(120, 1680, 4095, 255), pale},
        {about::kNoticeLine.toString(), twipRect(720, 2160, 3495, 255), green},
    };
    QFont font(u"Arial"_s);
    font.setPointSizeF(8.25);
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(lines[i].text, this);
        label->setObjectName(u"lblINFO_%1"_s.arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(lines[i].frame);
        // Where Arial is missing, a wider font stands in: the line shrinks to fit its frame.
        QFont fitted = font;
        while (fitted.pointSizeF() > 6 &&
               QFontMetricsF(fitted).horizontalAdvance(lines[i].text) > lines[i].frame.width())
            fitted.setPointSizeF(fitted.pointSizeF() - 0.25);
        label->setFont(fitted);
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, lines[i].colour);
        label->setPalette(colours);
        label->setAlignment(isLink(i) ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        if (isLink(i))
            label->setCursor(Qt::PointingHandCursor);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        m_lblINFO[i] = label;
    }
}

void mgABOUT::Form_Activate()
{
    m_btnEND->move(frameGeometry().width() - m_btnEND->width() - px(30), 0);
}

void mgABOUT::btnEND_Click()
{
    reject();
}

void mgABOUT::lblINFO_Click(int index)
{
    // Whether a mail client or browser answered is not the box's concern.
    if (index == 1)
        m_platform.openUrl(about::mailLinkTarget());
    else if (index == 2)
        m_platform.openUrl(about::webLinkTarget());
}

void mgABOUT::Form_MouseMove()
{
    lblINFO_MouseMove(-1);
}

void mgABOUT::lblINFO_MouseMove(int index)
{
    for (int link : {1, 2}) {
        QFont font = m_lblINFO[link]->font();
        font.setUnderline(link == index);
        m_lblINFO[link]->setFont(font);
    }
}

bool mgABOUT::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    int index = -1;
    for (int i = 0; i < 4; ++i) {
        if (watched == m_lblINFO[i])
            index = i;
    }
    if (event->type() == QEvent::MouseMove && index >= 0) {
        lblINFO_MouseMove(index);
        return true;
    }
    if (event->type() != QEvent::MouseButtonRelease || !widget)
        return QDialog::eventFilter(watched, event);
    // A click: the left button let go over the control it was pressed on.
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->position().toPoint()))
        return QDialog::eventFilter(watched, event);
    if (watched == m_btnEND) {
        btnEND_Click();
        return true;
    }
    if (index >= 0) {
        lblINFO_Click(index);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void mgABOUT::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

void mgABOUT::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QDialog::changeEvent(event);
}

void mgABOUT::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace qb
