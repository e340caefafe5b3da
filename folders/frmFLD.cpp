#include "folders/frmFLD.h"

#include "folders/FolderRules.h"
#include "folders/ToolWindow.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

constexpr int kPathRole = Qt::UserRole;

} // namespace

frmFLD::frmFLD(Platform &platform, QWidget *parent) : QDialog(parent), m_platform(platform)
{
    setObjectName(u"frmFLD"_s);
    setWindowTitle(u"Add Folder"_s);
    setUpToolWindow(*this, 2910, 4695);
    createControls();
    orderTabs();

    const QStringList drives = driveRoots();
    for (const QString &drive : drives)
        m_Drive->addItem(QDir::toNativeSeparators(drive), drive);
    // The lists start where the process stands, as a file dialog would.
    if (!openDirectoryAt(QDir::currentPath()) && !openDirectoryAt(QDir::homePath()))
        openDirectoryAt(QDir::rootPath());
    m_Dir->setFocus();
}

void frmFLD::createControls()
{
    // The frames come first so that the controls they surround are drawn over them.
    static constexpr int frames[3][4] = {
        {120, 3360, 2655, 495}, {0, 240, 2895, 495}, {0, 2760, 2895, 1695}};
    for (int i = 0; i < 3; ++i) {
        m_corFLD[i] = new QGroupBox(this);
        m_corFLD[i]->setObjectName(u"corFLD_%1"_s.arg(i));
        m_corFLD[i]->setGeometry(px(frames[i][0]), px(frames[i][1]), px(frames[i][2]),
                                 px(frames[i][3]));
    }
    m_corFLD[0]->setTitle(u"Make New Folder"_s);

    m_Drive = new QComboBox(this);
    m_Drive->setObjectName(u"Drive"_s);
    m_Drive->setGeometry(px(120), px(120), px(2655), px(315));
    connect(m_Drive, &QComboBox::activated, this, [this] { Drive_Change(); });

    m_Dir = new QTreeWidget(this);
    m_Dir->setObjectName(u"Dir"_s);
    m_Dir->setGeometry(px(120), px(600), px(2655), px(2565));
    m_Dir->setHeaderHidden(true);
    m_Dir->setRootIsDecorated(false);
    m_Dir->setItemsExpandable(false);
    m_Dir->setExpandsOnDoubleClick(false);
    m_Dir->setIndentation(px(150));
    // Nothing here folds: the branch arrows would only promise that.
    m_Dir->setStyleSheet(u"QTreeView::branch { image: none; border-image: none; }"_s);
    m_Dir->installEventFilter(this);
    connect(m_Dir, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { Dir_Open(item); });

    m_txtFLD = new QLineEdit(u"New Folder"_s, this);
    m_txtFLD->setObjectName(u"txtFLD"_s);
    m_txtFLD->setGeometry(px(240), px(3720), px(1695), px(285));

    static constexpr int buttons[3][4] = {
        {1980, 3720, 720, 285}, {120, 4200, 1215, 375}, {1560, 4200, 1215, 375}};
    const QString captions[3] = {u"Create"_s, u"&Ok"_s, u"&Cancel"_s};
    for (int i = 0; i < 3; ++i) {
        m_btnCOM[i] = new QPushButton(captions[i], this);
        m_btnCOM[i]->setObjectName(u"btnCOM_%1"_s.arg(i));
        m_btnCOM[i]->setGeometry(px(buttons[i][0]), px(buttons[i][1]), px(buttons[i][2]),
                                 px(buttons[i][3]));
        // No default button: Enter must not add a folder by accident.
        m_btnCOM[i]->setAutoDefault(false);
        connect(m_btnCOM[i], &QPushButton::clicked, this, [this, i] { btnCOM_Click(i); });
    }
}

void frmFLD::orderTabs()
{
    QWidget::setTabOrder(m_Dir, m_Drive);
    QWidget::setTabOrder(m_Drive, m_txtFLD);
    QWidget::setTabOrder(m_txtFLD, m_btnCOM[0]);
    QWidget::setTabOrder(m_btnCOM[0], m_btnCOM[1]);
    QWidget::setTabOrder(m_btnCOM[1], m_btnCOM[2]);
}

bool frmFLD::openDirectoryAt(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    m_openDir = QDir::cleanPath(info.absoluteFilePath());
    fillDirList();
    showDriveOf(m_openDir);
    return true;
}

// As a directory list box shows it: the open directory's ancestors from the root down, each one
// level deeper, then the open directory's subdirectories below it.
void frmFLD::fillDirList(const QString &highlight)
{
    m_Dir->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem *parent = nullptr;
    for (const QString &path : directoryChain(m_openDir)) {
        const QString text = parent ? QFileInfo(path).fileName() : QDir::toNativeSeparators(path);
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_Dir);
        item->setText(0, text);
        item->setIcon(0, openIcon);
        item->setData(0, kPathRole, path);
        parent = item;
    }
    QTreeWidgetItem *current = parent;
    const QDir open(m_openDir);
    const QStringList names =
        open.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        auto *item = new QTreeWidgetItem(parent);
        const QString path = joinDirectory(m_openDir, name);
        item->setText(0, name);
        item->setIcon(0, closedIcon);
        item->setData(0, kPathRole, path);
        if (path == highlight)
            current = item;
    }
    m_Dir->expandAll();
    m_Dir->setCurrentItem(current);
}

void frmFLD::showDriveOf(const QString &path)
{
    QStringList drives;
    for (int i = 0; i < m_Drive->count(); ++i)
        drives.append(m_Drive->itemData(i).toString());
    const int index = m_Drive->findData(driveOf(path, drives));
    if (index < 0)
        return;
    const QSignalBlocker quiet(m_Drive);
    m_Drive->setCurrentIndex(index);
}

void frmFLD::Dir_Open(QTreeWidgetItem *item)
{
    if (!item)
        return;
    // An entry that went away meanwhile drops out of the list.
    if (!openDirectoryAt(item->data(0, kPathRole).toString()))
        fillDirList();
}

bool frmFLD::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_Dir && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Dir_Open(m_Dir->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFLD::Drive_Change()
{
    if (openDirectoryAt(m_Drive->currentData().toString()))
        return;
    m_platform.messageBox(driveAccessText(m_Drive->currentText()), Platform::Buttons::Ok,
                          Platform::Icon::Exclamation, u"Drive Access"_s);
    showDriveOf(m_openDir);
}

void frmFLD::createDirectory()
{
    const QString path = newDirectoryPath(m_openDir, m_txtFLD->text());
    if (path.isEmpty() || !QDir().mkdir(path)) {
        m_platform.messageBox(u"Quirebox can't create the specified folder."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation,
                              u"Make Dir Error"_s);
        return;
    }
    // The new directory is shown, highlighted, but the open directory stays where it was.
    fillDirList(path);
}

void frmFLD::btnCOM_Click(int index)
{
    switch (index) {
    case 0:
        createDirectory();
        break;
    case 1:
        accept();
        break;
    default:
        reject();
        break;
    }
}

} // namespace qb
