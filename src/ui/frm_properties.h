#pragma once

#include "model/station_settings.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace zorvan {

// Which source-file path a browser picks.
enum class SongFileField {
    RadioText, // FrmProperties1: `GetMP3Tag`, shown in Text2
    ProgrammeService, // FrmProperties2: `AutoPSPath`, shown in Text3
};

// Drive, folder and "*.txt" file lists; a double click on a file takes it.
class FrmProperties : public QDialog {
    Q_OBJECT

public:
    FrmProperties(SongFileField field, StationSettings &settings, std::function<void()> save,
        QWidget *parent = nullptr);

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
    QString &storedField();

    SongFileField m_field;
    StationSettings &m_settings;
    std::function<void()> m_save;
    QComboBox *m_drives; // drvList
    QTreeWidget *m_tree; // Dir1
    QListWidget *m_files; // FilList
    QString m_folder; // with "/" separators, as QDir keeps it
    std::optional<QString> m_taken;
};

// Opens the browser modally at the folder of the stored path. On a file
// double click it writes the path into the record's field, runs `save` and
// returns the path (for the main window's field); any other close returns
// nothing and changes nothing.
std::optional<QString> browseForSongFile(
    QWidget *parent, SongFileField field, StationSettings &settings, std::function<void()> save);

} // namespace zorvan
