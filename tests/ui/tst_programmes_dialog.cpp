#include "memory_serial_port.h"
#include "memory_settings_backend.h"
#include "ui/programmes_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace zorvan;

class TestProgrammesDialog : public QObject {
    Q_OBJECT

private slots:
    // Each edit reaches the station (and the store) at once; a time or days
    // it cannot use are put back; labels follow the PS pages' 8-character
    // rule, and an empty field is the station's.
    void editsReachTheStation()
    {
        MemorySettingsBackend store;
        Station station(store, std::make_unique<MemorySerialPort>());
        station.load();
        ProgrammesDialog dialog(station);
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("ProgrammeTable"));
        QVERIFY(table);

        dialog.findChild<QPushButton *>(QStringLiteral("AddProgramme"))->click();
        QCOMPARE(station.programmes().size(), std::size_t(1));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("07:00"));

        table->item(0, 2)->setText(QStringLiteral("25:00"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("07:00"));
        QCOMPARE(station.programmes()[0].start, QTime(7, 0));
        table->item(0, 2)->setText(QStringLiteral("6:30"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("06:30"));
        QCOMPARE(station.programmes()[0].start, QTime(6, 30));
        auto *label = dialog.findChild<QLineEdit *>(QStringLiteral("ProgrammeLabel_0"));
        label->setText(QStringLiteral("News"));
        emit label->editingFinished();
        QCOMPARE(label->text(), QStringLiteral("News    "));
        QCOMPARE(station.programmes()[0].labels[0], std::optional(QStringLiteral("News    ")));
        QCOMPARE(station.programmes()[0].labels[1], std::nullopt);
        auto *delay = dialog.findChild<QComboBox *>(QStringLiteral("ProgrammeDelay_0"));
        delay->setCurrentIndex(4);
        emit delay->activated(4);
        QCOMPARE(station.programmes()[0].delays[0], std::optional<qint16>(3));
        QCOMPARE(store.read(QStringLiteral("Programme1"), QStringLiteral("PSDelay")),
            std::optional(QStringLiteral("3")));

        dialog.findChild<QPushButton *>(QStringLiteral("RemoveProgramme"))->click();
        QVERIFY(station.programmes().empty());
        QCOMPARE(store.read(QStringLiteral("Programme1"), QStringLiteral("Name")), std::nullopt);
    }
};

QTEST_MAIN(TestProgrammesDialog)
#include "tst_programmes_dialog.moc"
