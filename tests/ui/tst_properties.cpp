#include "content/browse_path.h"
#include "ui/frm_properties.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::SongFileField)

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ARTIST,TITLE,ALBUM\n");
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void doubleClickFile(FrmProperties *dialog, const QString &name)
{
    auto *list = dialog->findChild<QListWidget *>("FilList");
    QVERIFY(list);
    const auto items = list->findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    const QRect rect = list->visualItemRect(items.first());
    // A view takes a double click only on the item its press landed on.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

FrmProperties *openBrowser()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *browser = qobject_cast<FrmProperties *>(widget);
        if (browser && browser->isVisible())
            return browser;
    }
    return nullptr;
}

} // namespace

class TestProperties : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    StationSettings m_settings;
    int m_saves = 0;
    std::function<void()> counter()
    {
        return [this] { ++m_saves; };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir("sub"));
        touch(m_dir.filePath("song.txt"));
        touch(m_dir.filePath("other.txt"));
        touch(m_dir.filePath("notes.log"));
        touch(m_dir.filePath("sub/deeper.txt"));
    }
    void init()
    {
        m_settings = StationSettings();
        m_saves = 0;
    }

    void storedFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("folder"); // empty: none
        QTest::newRow("default song file") << "c:\\SongName.txt" << QChar('\\') << "c:\\";
        QTest::newRow("nested folders") << "c:\\a\\b\\x.txt" << QChar('\\') << "c:\\a\\b\\";
        QTest::newRow("no separator") << "SongName.txt" << QChar('\\') << "";
        QTest::newRow("linux path") << "/home/op/now.txt" << QChar('/') << "/home/op/";
        QTest::newRow("windows path read with slash") << "c:\\SongName.txt" << QChar('/') << "";
        QTest::newRow("ends in separator") << "/srv/" << QChar('/') << "/srv/";
        QTest::newRow("empty") << "" << QChar('/') << "";
    }
    void storedFolder()
    {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, folder);
        QCOMPARE(browseFolderOf(path, separator).value_or(QString()), folder);
    }

    void storedDrive_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("drive");
        QTest::newRow("drive letter") << "c:\\SongName.txt"
                                      << "c:";
        QTest::newRow("short") << "c"
                               << "c";
        QTest::newRow("empty") << ""
                               << "";
    }
    void storedDrive()
    {
        QFETCH(QString, path);
        QFETCH(QString, drive);
        QCOMPARE(browseDriveOf(path), drive);
    }

    void composedPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("path");
        QTest::newRow("windows folder") << "c:\\Radio" << QChar('\\') << "c:\\Radio\\now.txt";
        QTest::newRow("windows root doubles the separator") << "c:\\" << QChar('\\') << "c:\\\\now.txt";
        QTest::newRow("linux folder") << "/home/op" << QChar('/') << "/home/op/now.txt";
        QTest::newRow("linux root doubles the separator") << "/" << QChar('/') << "//now.txt";
    }
    void composedPath()
    {
        QFETCH(QString, folder);
        QFETCH(QChar, separator);
        QFETCH(QString, path);
        QCOMPARE(composeBrowsedPath(folder, "now.txt", separator), path);
    }

    void designOfTheDialog_data()
    {
        QTest::addColumn<SongFileField>("field");
        QTest::addColumn<QString>("name");
        QTest::newRow("radio text") << SongFileField::RadioText << "FrmProperties1";
        QTest::newRow("PS") << SongFileField::ProgrammeService << "FrmProperties2";
    }
    void designOfTheDialog()
    {
        QFETCH(SongFileField, field);
        QFETCH(QString, name);
        FrmProperties dialog(field, m_settings, counter());
        QCOMPARE(dialog.objectName(), name);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Browse to file with song name (*.txt) ..."));
        QVERIFY(dialog.isModal());
        QVERIFY(dialog.findChild<QComboBox *>("drvList"));
        QVERIFY(dialog.findChild<QTreeWidget *>("Dir1"));
        QVERIFY(dialog.findChild<QListWidget *>("FilList"));
        QCOMPARE(
            dialog.findChild<QLabel *>("Label1")->text(), QStringLiteral("Double Click file to select..."));
        QVERIFY(dialog.findChild<QComboBox *>("drvList")->count() >= 1);
    }

    void startsAtTheStoredFolder()
    {
        m_settings.GetMP3Tag = native(m_dir.filePath("song.txt"));
        FrmProperties dialog(SongFileField::RadioText, m_settings, counter());
        QCOMPARE(dialog.currentFolder(), native(m_dir.path()));
        QCOMPARE(dialog.files(), QStringList({ "other.txt", "song.txt" }));
        auto *tree = dialog.findChild<QTreeWidget *>("Dir1");
        QCOMPARE(tree->currentItem()->text(0), QFileInfo(m_dir.path()).fileName());
        QCOMPARE(tree->currentItem()->childCount(), 1);
        QCOMPARE(tree->currentItem()->child(0)->text(0), QStringLiteral("sub"));
        QVERIFY(!dialog.currentDrive().isEmpty());
        QVERIFY(dialog.currentFolder().startsWith(dialog.currentDrive()));
    }

    void storedPathThatDoesNotExist_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("windows default") << "c:\\SongName.txt";
        QTest::newRow("no separator") << "SongName.txt";
        QTest::newRow("missing folder") << "/no/such/folder/now.txt";
        QTest::newRow("empty") << "";
    }
    void storedPathThatDoesNotExist()
    {
        QFETCH(QString, stored);
        m_settings.AutoPSPath = stored;
        FrmProperties dialog(SongFileField::ProgrammeService, m_settings, counter());
        QCOMPARE(dialog.currentFolder(), native(QDir::currentPath()));
        QCOMPARE(m_settings.AutoPSPath, stored);
        QCOMPARE(m_saves, 0);
    }

    void doubleClickTakesTheFile_data()
    {
        QTest::addColumn<SongFileField>("field");
        QTest::newRow("radio text writes GetMP3Tag only") << SongFileField::RadioText;
        QTest::newRow("PS writes AutoPSPath only") << SongFileField::ProgrammeService;
    }
    void doubleClickTakesTheFile()
    {
        QFETCH(SongFileField, field);
        const bool radioText = field == SongFileField::RadioText;
        (radioText ? m_settings.GetMP3Tag : m_settings.AutoPSPath) = native(m_dir.filePath("x.txt"));
        const QString untouched = radioText ? m_settings.AutoPSPath : m_settings.GetMP3Tag;
        FrmProperties dialog(field, m_settings, counter());
        dialog.show();
        doubleClickFile(&dialog, "other.txt");
        const QString expected = native(m_dir.path()) + QDir::separator() + "other.txt";
        QCOMPARE(radioText ? m_settings.GetMP3Tag : m_settings.AutoPSPath, expected);
        QCOMPARE(radioText ? m_settings.AutoPSPath : m_settings.GetMP3Tag, untouched);
        QCOMPARE(dialog.takenPath().value_or(QString()), expected);
        QCOMPARE(m_saves, 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void closingOtherwiseChangesNothing()
    {
        const StationSettings before = m_settings;
        FrmProperties dialog(SongFileField::RadioText, m_settings, counter());
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(m_settings == before);
        QCOMPARE(m_saves, 0);
        QVERIFY(!dialog.takenPath());
    }

    void folderListNavigates()
    {
        m_settings.GetMP3Tag = native(m_dir.filePath("song.txt"));
        FrmProperties dialog(SongFileField::RadioText, m_settings, counter());
        auto *tree = dialog.findChild<QTreeWidget *>("Dir1");
        emit tree->itemActivated(tree->currentItem()->child(0), 0);
        QCOMPARE(dialog.currentFolder(), native(m_dir.filePath("sub")));
        QCOMPARE(dialog.files(), QStringList { "deeper.txt" });
        // Up again through the way down shown above the folder.
        emit tree->itemActivated(tree->currentItem()->parent(), 0);
        QCOMPARE(dialog.currentFolder(), native(m_dir.path()));
    }

    void unreadableChoicesKeepTheLists()
    {
        m_settings.GetMP3Tag = native(m_dir.filePath("song.txt"));
        FrmProperties dialog(SongFileField::RadioText, m_settings, counter());
        QVERIFY(!dialog.chooseFolder(m_dir.filePath("missing")));
        QVERIFY(!dialog.chooseDrive(m_dir.filePath("missing")));
        QCOMPARE(dialog.currentFolder(), native(m_dir.path()));
        QCOMPARE(dialog.files(), QStringList({ "other.txt", "song.txt" }));
    }

    void fileFromTheRootFolder()
    {
        FrmProperties dialog(SongFileField::RadioText, m_settings, counter());
        QVERIFY(dialog.chooseFolder(QDir::rootPath()));
        dialog.takeFile("now.txt");
        const QString root = native(QDir::rootPath());
        QCOMPARE(m_settings.GetMP3Tag, root + QDir::separator() + "now.txt");
    }

    void modalBrowseReturnsTheTakenPath()
    {
        m_settings.AutoPSPath = native(m_dir.filePath("song.txt"));
        QTimer::singleShot(0, this, [] {
            FrmProperties *browser = openBrowser();
            QVERIFY(browser);
            doubleClickFile(browser, "song.txt");
            // Never leave the modal loop running, whatever the click did.
            if (browser->isVisible())
                browser->reject();
        });
        const auto taken = browseForSongFile(nullptr, SongFileField::ProgrammeService, m_settings, counter());
        QCOMPARE(taken.value_or(QString()), native(m_dir.filePath("song.txt")));
        QCOMPARE(m_settings.AutoPSPath, native(m_dir.filePath("song.txt")));
        QCOMPARE(m_saves, 1);
    }

    void modalBrowseCancelled()
    {
        const StationSettings before = m_settings;
        QTimer::singleShot(0, this, [] {
            FrmProperties *browser = openBrowser();
            QVERIFY(browser);
            browser->reject();
        });
        QVERIFY(!browseForSongFile(nullptr, SongFileField::RadioText, m_settings, counter()));
        QVERIFY(m_settings == before);
        QCOMPARE(m_saves, 0);
    }
};

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
