#include "form1_harness.h"
#include "ui/now_playing_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using namespace zorvan;

// The song-source dialog's network choice: what it commits, and that the
// window then listens as the service does.
class TestNowPlayingDialog : public QObject {
    Q_OBJECT

private slots:
    void networkChoiceListensAndIsNamed()
    {
        test::Form1Harness harness;
        harness.backend.write(
            QStringLiteral("Network"), QStringLiteral("HttpListen"), QStringLiteral("127.0.0.1:0"));
        harness.start();
        Station &station = harness.station();
        auto *dialog = NowPlayingDialog::open(station, &harness.form());
        auto *http = dialog->findChild<QLineEdit *>(QStringLiteral("HttpListen"));
        QCOMPARE(http->text(), QStringLiteral("127.0.0.1:0"));
        auto *line = dialog->findChild<QLineEdit *>(QStringLiteral("LineListen"));
        line->setText(QStringLiteral("127.0.0.1:0"));
        emit line->editingFinished();
        auto *fields = dialog->findChild<QLineEdit *>(QStringLiteral("LineFields"));
        fields->setText(QStringLiteral("3, x"));
        emit fields->editingFinished();
        QCOMPARE(fields->text(), QStringLiteral("3,0")); // what counts
        QCOMPARE(
            harness.backend.read(QStringLiteral("Network"), QStringLiteral("LineFields")).value_or(QString()),
            QStringLiteral("3,0"));
        QCOMPARE(station.networkSource().isListening(), false); // not the song source yet

        dialog->findChild<QRadioButton *>(QStringLiteral("FromNetwork"))->click();
        QCOMPARE(station.options().songOrigin, SongOrigin::Network);
        QCOMPARE(
            harness.backend.read(QStringLiteral("Driver"), QStringLiteral("SongSource")).value_or(QString()),
            QStringLiteral("Network"));
        QVERIFY(station.networkSource().httpPort() != 0);
        QVERIFY(station.networkSource().linePort() != 0);
        QTRY_COMPARE(harness.find<QLabel>(QStringLiteral("OnAirLabel"))->text(),
            QStringLiteral("On air: the song from the network"));

        dialog->findChild<QRadioButton *>(QStringLiteral("FromFile"))->click();
        QVERIFY(!station.networkSource().isListening());
        dialog->close();
    }
};

QTEST_MAIN(TestNowPlayingDialog)
#include "tst_now_playing_dialog.moc"
