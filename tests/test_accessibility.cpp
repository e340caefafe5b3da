// What a screen reader, a keyboard user and a dark desktop theme meet in the main window and
// its windows.

#include "RowLabel.h"
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "find/frmFINDBOOK.h"
#include "folders/FolderRules.h"
#include "launch/mgABOUT.h"
#include "notes/MergeDialog.h"
#include "platform/QtPlatform.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <map>

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

// The access key of a caption: the character after its one '&' ("&&" is a '&' shown), upper
// case; none without.
QChar accessKey(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

// What is wrong with the access keys of `captions`, the items of one menu or window: those
// without one, and each key two items share, but for Edit's "C&opy" and "C&opy All", a pair
// the menu has always had.
QStringList accessKeyFaults(const QString &where, const QStringList &captions)
{
    QStringList faults;
    std::map<QChar, QStringList> byKey;
    for (const QString &caption : captions) {
        const QChar key = accessKey(caption);
        if (key.isNull())
            faults << where + u": no access key in \""_s + caption + u'"';
        else
            byKey[key] << caption;
    }
    for (const auto &[key, sharing] : byKey) {
        if (sharing.size() > 1 && sharing != QStringList({u"C&opy"_s, u"C&opy All"_s}))
            faults << where + u": &"_s + key + u" in \""_s + sharing.join(u"\", \""_s) + u'"';
    }
    return faults;
}

// The items of a menu (or the menu bar) that show, as captions.
QStringList menuCaptions(const QWidget &menu)
{
    QStringList captions;
    for (const QAction *action : menu.actions()) {
        if (!action->isSeparator() && action->isVisible())
            captions << action->text();
    }
    return captions;
}

// A control the keyboard reaches that takes input: a field, a list, a text view.
bool isField(const QWidget *widget)
{
    return widget->focusPolicy() != Qt::NoFocus &&
           (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget) ||
            qobject_cast<const QAbstractSpinBox *>(widget) ||
            qobject_cast<const QAbstractItemView *>(widget) ||
            qobject_cast<const QPlainTextEdit *>(widget));
}

// What is wrong with the access keys of a window: each of its buttons has its own, and each of
// its fields one through the label whose buddy it is. The parts of a field (a combo box's
// line edit and list) are the field's.
QStringList windowAccessKeyFaults(const QWidget &window)
{
    QStringList captions;
    QStringList faults;
    const QString where = window.objectName();
    const auto partOfAField = [&window](const QWidget *widget) {
        for (const QWidget *up = widget->parentWidget(); up && up != &window;
             up = up->parentWidget()) {
            if (isField(up))
                return true;
        }
        return false;
    };
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (!partOfAField(button))
            captions << button->text();
    }
    QList<const QWidget *> labelled;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->buddy()) {
            captions << label->text();
            labelled << label->buddy();
        }
    }
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (isField(widget) && !partOfAField(widget) && !labelled.contains(widget))
            faults << where + u": no label with an access key for "_s + widget->objectName();
    }
    return faults + accessKeyFaults(where, captions);
}

// Runs `answer` on the modal dialog as soon as it shows.
void whenModal(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            answer(dialog);
        else
            whenModal(answer);
    });
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

    // Within each menu of the main window, in every caption its items take, and within each
    // window added to the design's (and the input box asking for a name), every item has an
    // access key of its own.
    void everyItemHasItsOwnAccessKey()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}, {u"c.txt"_s, encrypted("secret\n")}});
        QStringList faults;
        const auto walkMenus = [&](const QString &state) {
            faults += accessKeyFaults(state + u" menu bar"_s, menuCaptions(*t.w().menuBar()));
            for (const QMenu *menu : t.w().findChildren<QMenu *>())
                faults += accessKeyFaults(state + u' ' + menu->objectName(), menuCaptions(*menu));
        };
        walkMenus(u"a plain note:"_s);
        QCOMPARE(t.action(u"T_mnuENCRYPT"_s)->text(), u"Encr&ypt with Passphrase..."_s);

        t.pickNote(u"c"_s);
        QCOMPARE(t.action(u"T_mnuENCRYPT"_s)->text(), u"Decr&ypt with Passphrase..."_s);
        walkMenus(u"an encrypted note:"_s);
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            QTest::keyClicks(static_cast<frmPASSPHRASE &>(dialog).txtPASS(), kPassphrase);
            return int(QDialog::Accepted);
        });
        t.trigger(u"T_mnuENCRYPT"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        QCOMPARE(t.action(u"T_mnuENCRYPT"_s)->text(), u"C&hange Passphrase..."_s);
        walkMenus(u"a decrypted note:"_s);
        // Change Passphrase asks twice, with a word about the passphrase.
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"T_mnuENCRYPT"_s);

        t.pickNote(u"a"_s);
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.action(u"T_mnuENCODE"_s)->text(), u"D&ecode"_s);
        walkMenus(u"an encoded note:"_s);
        QVERIFY(t.save());
        t.answer(u"input:kw"_s);
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.status(), u"Decoded"_s);

        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"F_mnuHISTORY"_s);
        QCOMPARE(t.last().title, u"Note History - a"_s);
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"T_mnuGOTO"_s);
        QCOMPARE(t.last().title, u"Go to Note"_s);
        t.trigger(u"T_mnuFIND_BOOK"_s);
        faults += windowAccessKeyFaults(*t.child<frmFINDBOOK>(u"frmFINDBOOK"_s));

        // The merge of a note with two copies a sync tool kept: every control it can show.
        const MergeDialog merge(u"plan"_s,
                                mergeMarksOf("a\n<<<<<<< mine\nb\n=======\nc\n>>>>>>> theirs\n"),
                                {}, u"Merged from the version both grew from."_s,
                                {u"plan (copy 1).txt"_s, u"plan (copy 2).txt"_s}, 0);
        faults += windowAccessKeyFaults(merge);

        // The box that asks for a name, as the real platform shows it.
        QtPlatform platform;
        whenModal([&](QWidget *box) {
            box->setObjectName(u"input box"_s);
            faults += windowAccessKeyFaults(*box);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        platform.inputBox(newFolderNamePrompt(u"/home/me/R&D"_s), u"Quirebox - New Folder Name"_s,
                          u"Operator Folder"_s);
        for (const QString &fault : std::as_const(faults))
            qWarning("%s", qPrintable(fault));
        QVERIFY2(faults.isEmpty(), "items without an access key, or sharing one: see above");
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
