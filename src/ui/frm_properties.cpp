#include "ui/frm_properties.h"

#include "content/browse_path.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zorvan {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString nativeForm(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool isReadableFolder(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
}

QString rootOf(const QString &folder)
{
    return QDir::cleanPath(QStorageInfo(folder).rootPath());
}

// The roots of the mounted file systems that can be browsed: drive letters
// on Windows, "/" and the mount points elsewhere.
QStringList browsableDrives()
{
    QStringList drives;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = QDir::cleanPath(volume.rootPath());
        if (isReadableFolder(root) && !drives.contains(root))
            drives << root;
    }
    drives.sort(Qt::CaseInsensitive);
    return drives;
}

} // namespace

FrmProperties::FrmProperties(SongFileField field, const QString &storedPath, QWidget *parent)
    : QDialog(parent)
    , m_field(field)
    , m_drives(new QComboBox(this))
    , m_tree(new QTreeWidget(this))
    , m_files(new QListWidget(this))
{
    setObjectName(field == SongFileField::RadioText ? QStringLiteral("FrmProperties1")
                                                    : QStringLiteral("FrmProperties2"));
    setWindowTitle(QStringLiteral("Browse to file with song name (*.txt) ..."));
    setModal(true);

    m_drives->setObjectName(QStringLiteral("drvList"));
    m_tree->setObjectName(QStringLiteral("Dir1"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_files->setObjectName(QStringLiteral("FilList"));
    auto *hint = new QLabel(QStringLiteral("Double Click file to select..."), this);
    hint->setObjectName(QStringLiteral("Label1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_drives);
    layout->addWidget(m_tree, 3);
    layout->addWidget(m_files, 2);
    layout->addWidget(hint);
    setFixedSize(420, 420);

    m_folder = QDir::cleanPath(QDir::currentPath());
    fillDrives();
    startAtStoredPath(storedPath);
    showFolder();

    connect(m_drives, &QComboBox::currentTextChanged, this,
        [this](const QString &drive) { chooseDrive(QDir::fromNativeSeparators(drive)); });
    connect(m_tree, &QTreeWidget::itemActivated, this,
        [this](QTreeWidgetItem *item) { chooseFolder(item->data(0, kPathRole).toString()); });
    connect(m_files, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem *item) { takeFile(item->text()); });

    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

// Each step that cannot be carried out is skipped, leaving the lists where
// they were: at the current folder when nothing of the stored path exists.
void FrmProperties::startAtStoredPath(const QString &storedPath)
{
#ifdef Q_OS_WIN
    const QString drive = browseDriveOf(storedPath);
    for (const QString &root : browsableDrives()) {
        if (root.startsWith(drive, Qt::CaseInsensitive) && isReadableFolder(root)) {
            m_folder = root;
            break;
        }
    }
#endif
    const auto folder = browseFolderOf(storedPath, browseSeparator());
    if (folder && isReadableFolder(QDir::fromNativeSeparators(*folder)))
        m_folder = QDir::cleanPath(QDir(QDir::fromNativeSeparators(*folder)).absolutePath());
}

void FrmProperties::fillDrives()
{
    const QSignalBlocker blocker(m_drives);
    m_drives->clear();
    for (const QString &drive : browsableDrives())
        m_drives->addItem(nativeForm(drive));
}

void FrmProperties::selectDriveOfFolder()
{
    const QString drive = nativeForm(rootOf(m_folder));
    const QSignalBlocker blocker(m_drives);
    if (m_drives->findText(drive) < 0)
        m_drives->addItem(drive);
    m_drives->setCurrentIndex(m_drives->findText(drive));
}

// The folder list shows the way down from the drive's root to the folder,
// and the folder's own subfolders below it.
void FrmProperties::showFolder()
{
    selectDriveOfFolder();
    m_tree->clear();
    const QString root = rootOf(m_folder);
    QStringList chain;
    for (QDir dir(m_folder);;) {
        chain.prepend(QDir::cleanPath(dir.absolutePath()));
        if (QDir::cleanPath(dir.absolutePath()) == root || !dir.cdUp())
            break;
    }
    QTreeWidgetItem *parent = nullptr;
    for (const QString &path : chain) {
        const QString name = path == chain.first() ? nativeForm(path) : QFileInfo(path).fileName();
        auto *item = parent ? new QTreeWidgetItem(parent, { name }) : new QTreeWidgetItem(m_tree, { name });
        item->setData(0, kPathRole, path);
        item->setExpanded(true);
        parent = item;
    }
    const QDir folder(m_folder);
    for (const QString &sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto *item = new QTreeWidgetItem(parent, { sub });
        item->setData(0, kPathRole, QDir::cleanPath(folder.filePath(sub)));
    }
    m_tree->setCurrentItem(parent);

    m_files->clear();
    m_files->addItems(folder.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name));
}

QString FrmProperties::currentDrive() const
{
    return m_drives->currentText();
}

QString FrmProperties::currentFolder() const
{
    return nativeForm(m_folder);
}

QStringList FrmProperties::files() const
{
    QStringList names;
    for (int i = 0; i < m_files->count(); ++i)
        names << m_files->item(i)->text();
    return names;
}

bool FrmProperties::chooseDrive(const QString &drive)
{
    const QString root = QDir::cleanPath(QDir::fromNativeSeparators(drive));
    const bool readable = isReadableFolder(root);
    if (readable)
        m_folder = root;
    showFolder();
    return readable;
}

bool FrmProperties::chooseFolder(const QString &folder)
{
    const QString path = QDir::fromNativeSeparators(folder);
    if (!isReadableFolder(path))
        return false;
    m_folder = QDir::cleanPath(QDir(path).absolutePath());
    showFolder();
    return true;
}

void FrmProperties::takeFile(const QString &fileName)
{
    const QString path = composeBrowsedPath(currentFolder(), fileName, browseSeparator());
    m_taken = path;
    accept();
}

std::optional<QString> browseForSongFile(QWidget *parent, SongFileField field, const QString &storedPath)
{
    FrmProperties dialog(field, storedPath, parent);
    dialog.exec();
    return dialog.takenPath();
}

} // namespace zorvan
