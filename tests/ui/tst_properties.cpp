#include "content/browse_path.h"
#include "form1_harness.h"
#include "ui/frm_properties.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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
        FrmProperties dialog(field, QString());
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
        FrmProperties dialog(SongFileField::RadioText, native(m_dir.filePath("song.txt")));
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
        FrmProperties dialog(SongFileField::ProgrammeService, stored);
        QCOMPARE(dialog.currentFolder(), native(QDir::currentPath()));
        QVERIFY(!dialog.takenPath());
    }

    void doubleClickTakesTheFile()
    {
        FrmProperties dialog(SongFileField::RadioText, native(m_dir.filePath("x.txt")));
        dialog.show();
        doubleClickFile(&dialog, "other.txt");
        const QString expected = native(m_dir.path()) + QDir::separator() + "other.txt";
        QCOMPARE(dialog.takenPath().value_or(QString()), expected);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void closingOtherwiseTakesNothing()
    {
        FrmProperties dialog(SongFileField::RadioText, native(m_dir.filePath("song.txt")));
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.takenPath());
    }

    void folderListNavigates()
    {
        FrmProperties dialog(SongFileField::RadioText, native(m_dir.filePath("song.txt")));
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
        FrmProperties dialog(SongFileField::RadioText, native(m_dir.filePath("song.txt")));
        QVERIFY(!dialog.chooseFolder(m_dir.filePath("missing")));
        QVERIFY(!dialog.chooseDrive(m_dir.filePath("missing")));
        QCOMPARE(dialog.currentFolder(), native(m_dir.path()));
        QCOMPARE(dialog.files(), QStringList({ "other.txt", "song.txt" }));
    }

    void fileFromTheRootFolder()
    {
        FrmProperties dialog(SongFileField::RadioText, QString());
        QVERIFY(dialog.chooseFolder(QDir::rootPath()));
        dialog.takeFile("now.txt");
        const QString root = native(QDir::rootPath());
        QCOMPARE(dialog.takenPath().value_or(QString()), root + QDir::separator() + "now.txt");
    }

    void modalBrowseCancelled()
    {
        QTimer::singleShot(0, this, [] {
            FrmProperties *browser = openBrowser();
            QVERIFY(browser);
            browser->reject();
        });
        QVERIFY(!browseForSongFile(nullptr, SongFileField::RadioText, QString()));
    }

    // The browse buttons of the window open the browser at the committed
    // path and commit the file taken.
    void browsedFileIsCommitted_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("other");
        QTest::newRow("PS source") << "Command4"
                                   << "Text3"
                                   << "Text2";
        QTest::newRow("RT source") << "Command7"
                                   << "Text2"
                                   << "Text3";
    }
    void browsedFileIsCommitted()
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, other);
        test::Form1Harness harness;
        harness.start();
        const bool ps = button == "Command4";
        harness.station().commitSongPath(ps ? SongFileField::ProgrammeService : SongFileField::RadioText,
            native(m_dir.filePath("song.txt")));
        const QString untouched = harness.find<QLineEdit>(other)->text();
        QString startedAt;
        QTimer::singleShot(0, this, [&] {
            FrmProperties *browser = openBrowser();
            QVERIFY(browser);
            startedAt = browser->currentFolder();
            doubleClickFile(browser, "other.txt");
            if (browser->isVisible())
                browser->reject();
        });
        harness.find<QPushButton>(button)->click();
        QCOMPARE(startedAt, native(m_dir.path()));
        const QString taken = native(m_dir.filePath("other.txt"));
        const StationSettings &record = harness.station().record();
        QCOMPARE(ps ? record.AutoPSPath : record.GetMP3Tag, taken);
        QCOMPARE(harness.find<QLineEdit>(field)->text(), taken);
        QCOMPARE(harness.find<QLineEdit>(other)->text(), untouched);
    }
};

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
