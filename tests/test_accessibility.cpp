// What a screen reader, a keyboard user and a dark desktop theme meet in the main window.

#include "RowLabel.h"
#include "WindowFixture.h"

#include "launch/mgABOUT.h"

#include <QAccessible>
#include <QApplication>
#include <QStyleFactory>
#include <QToolBar>

#include <cmath>

using namespace qb;
using namespace qb::test;

namespace {

// The names of the controls that show no text and give a screen reader none.
QStringList unnamedNodes(QAccessibleInterface *node, const QString &path = {})
{
    QStringList unnamed;
    if (!node)
        return unnamed;
    const QAccessible::Role role = node->role();
    const QString here = path + u'/' + QString::number(role, 16);
    const bool needsName = role != QAccessible::Separator && role != QAccessible::Client &&
                           role != QAccessible::ScrollBar && role != QAccessible::Grouping &&
                           !node->state().invisible;
    if (needsName && node->text(QAccessible::Name).trimmed().isEmpty()) {
        const QObject *object = node->object();
        unnamed.append(here + u' ' + (object ? object->objectName() : QString()));
    }
    for (int i = 0; i < node->childCount(); ++i)
        unnamed += unnamedNodes(node->child(i), here);
    return unnamed;
}

// The contrast of two colours as WCAG 2 measures it: 4.5 is enough for text.
double contrastOf(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    return dark;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QApplication::setStyle(QStyleFactory::create(u"Fusion"_s)); }

    void everyControlIsNamed()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QAccessible::setActive(true);
        const QStringList unnamed = unnamedNodes(QAccessible::queryAccessibleInterface(&t.w()));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
        QCOMPARE(t.lstFLDS()->accessibleName(), u"Folder"_s);
    }

    // The editor keeps Tab for tabs: Ctrl+1 to Ctrl+4 reach the other controls, and Tab goes on
    // from a selector to the buttons before the editor.
    void keyboardReachesEveryControl()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}});
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        const QWidget *newBook =
            t.child<QToolBar>(u"tBAR"_s)->widgetForAction(t.action(u"tBAR_Button1"_s));
        // The keys are pressed in turn on the one window.
        const QList<std::tuple<QString, int, const QWidget *>> targets = {
            {u"Ctrl+1 to the folders"_s, Qt::Key_1, t.lstFLDS()},
            {u"Ctrl+2 to the notes"_s, Qt::Key_2, t.lstFILE()},
            {u"Ctrl+3 to the toolbar"_s, Qt::Key_3, newBook},
            {u"Ctrl+4 to the editor"_s, Qt::Key_4, t.editor()}};
        for (const auto &[row, key, target] : targets) {
            const RowLabel label(row);
            QTest::keyClick(t.editor(), Qt::Key(key), Qt::ControlModifier);
            QTRY_COMPARE(QApplication::focusWidget(), target);
        }
        t.lstFILE()->setFocus();
        QTest::keyClick(t.lstFILE(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), newBook);
    }

    // Navy names on a light selector; on a dark one a colour that can be read, and the about
    // box keeps its own colours whatever the theme.
    void readableInADarkTheme()
    {
        TestWindow t;
        t.open();
        const auto folderContrast = [&] {
            const QPalette palette = t.lstFLDS()->palette();
            return contrastOf(palette.color(QPalette::ButtonText), palette.color(QPalette::Button));
        };
        QCOMPARE(t.lstFLDS()->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
        const QPalette light = QApplication::palette();
        QApplication::setPalette(darkPalette());
        QVERIFY2(folderContrast() >= 4.5, qPrintable(QString::number(folderContrast())));
        mgABOUT about(t.platform, nullptr);
        for (int i = 0; i < 4; ++i) {
            const QPalette palette = about.lblINFO(i)->palette();
            const double contrast = contrastOf(palette.color(QPalette::WindowText),
                                               about.palette().color(QPalette::Window));
            QVERIFY2(contrast >= 4.5,
                     qPrintable(u"line %1 of the about box: %2"_s.arg(i).arg(contrast)));
        }
        QApplication::setPalette(light);
        QCOMPARE(t.lstFLDS()->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
