#pragma once

#include "station/station.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace zorvan {

// Drive, folder and "*.txt" file lists; a double click on a file takes it.
class FrmProperties : public QDialog {
    Q_OBJECT

public:
    // Starts at the folder of `storedPath`. FrmProperties1 picks the
    // radio-text path, FrmProperties2 the PS path.
    FrmProperties(SongFileField field, const QString &storedPath, QWidget *parent = nullptr);

    // The drive list's drive and the folder list's folder, in the
    // platform's own form ("/home/op", "C:\").
    QString currentDrive() const;
    QString currentFolder() const;
    QStringList files() const;

    // Returns false and changes nothing when the drive or folder cannot be read.
    bool chooseDrive(const QString &drive);
    bool chooseFolder(const QString &folder);
    // What a double click on a file of the list does.
    void takeFile(const QString &fileName);
    std::optional<QString> takenPath() const { return m_taken; }

private:
    void startAtStoredPath(const QString &storedPath);
    void fillDrives();
    void showFolder();
    void selectDriveOfFolder();
    SongFileField m_field;
    QComboBox *m_drives; // drvList
    QTreeWidget *m_tree; // Dir1
    QListWidget *m_files; // FilList
    QString m_folder; // with "/" separators, as QDir keeps it
    std::optional<QString> m_taken;
};

// Opens the browser modally at the folder of the stored path and returns
// the path of the file double-clicked; any other close returns nothing.
std::optional<QString> browseForSongFile(QWidget *parent, SongFileField field, const QString &storedPath);

} // namespace zorvan
