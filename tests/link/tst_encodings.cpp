#include "link/command_vocabulary.h"
#include "link/encodings.h"
#include "link/line_settings.h"
#include "link/transmission.h"

#include <QtTest>

using namespace zorvan;

class TestEncodings : public QObject {
    Q_OBJECT

private slots:
    void decimalText_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero unfilled") << qint64(0) << 0 << QByteArray("0");
        QTest::newRow("flag one") << qint64(1) << 0 << QByteArray("1");
        QTest::newRow("zero filled to 3") << qint64(0) << 3 << QByteArray("000");
        QTest::newRow("7 filled to 3") << qint64(7) << 3 << QByteArray("007");
        QTest::newRow("192 fills 3 exactly") << qint64(192) << 3 << QByteArray("192");
        QTest::newRow("5 filled to 2") << qint64(5) << 2 << QByteArray("05");
        QTest::newRow("31 fills 2 exactly") << qint64(31) << 2 << QByteArray("31");
        QTest::newRow("longer than width sent whole") << qint64(1234) << 3 << QByteArray("1234");
        QTest::newRow("16-bit maximum") << qint64(32767) << 0 << QByteArray("32767");
        QTest::newRow("negative keeps sign before fill") << qint64(-5) << 3 << QByteArray("-005");
        QTest::newRow("most negative does not overflow")
            << std::numeric_limits<qint64>::min() << 0 << QByteArray("-9223372036854775808");
    }
    void decimalText()
    {
        QFETCH(qint64, value);
        QFETCH(int, width);
        QFETCH(QByteArray, text);
        QCOMPARE(DecimalText(value, width), text);
    }

    void offsetByte_data()
    {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("quantity 0 is 0x04") << 0 << QByteArray("\x04");
        QTest::newRow("AF0 with 7 frequencies") << 224 + 7 << QByteArray("\xEB");
        QTest::newRow("AF0 with none") << 224 << QByteArray("\xE4");
        QTest::newRow("107.9 MHz code 204") << 204 << QByteArray("\xD0");
        QTest::newRow("E4 selector 5") << 5 << QByteArray("\x09");
        QTest::newRow("largest that fits") << 251 << QByteArray("\xFF");
        QTest::newRow("one past the byte is refused") << 252 << QByteArray();
        QTest::newRow("negative is refused") << -1 << QByteArray();
        QTest::newRow("negative into frame bytes is refused") << -4 << QByteArray();
    }
    void offsetByte()
    {
        QFETCH(int, quantity);
        QFETCH(QByteArray, bytes);
        QCOMPARE(OffsetByte(quantity), bytes);
        QCOMPARE(offsetByteFits(quantity), !bytes.isEmpty());
    }

    void frameWithEmptyValue()
    {
        Transmission t;
        t.frame("SAVE", QByteArray());
        QCOMPARE(t.bytes(), QByteArray("\x00SAVE\x01\x02", 7));
    }

    void lineSettingsTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("settings"); // empty: left as they are
        QTest::newRow("below the table") << 0 << QString();
        QTest::newRow("1") << 1 << "9600,N,8,1";
        QTest::newRow("2, the default") << 2 << "14400,N,8,1";
        QTest::newRow("3") << 3 << "19200,N,8,1";
        QTest::newRow("4") << 4 << "38400,N,8,1";
        QTest::newRow("past the table") << 5 << QString();
        QTest::newRow("negative") << -1 << QString();
    }
    void lineSettingsTable()
    {
        QFETCH(int, index);
        QFETCH(QString, settings);
        const std::optional<LineSettings> line = LineSettingsTable(index);
        QCOMPARE(line.has_value(), !settings.isEmpty());
        if (line)
            QCOMPARE(line->text(), settings);
    }

    void initialLineSettings() { QCOMPARE(kInitialLineSettings.text(), QStringLiteral("9600,N,8,1")); }

    void findCommand_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("entry"); // the table row found; empty: none
        QTest::newRow("single") << QByteArray("PWR") << QByteArray("PWR");
        QTest::newRow("first label") << QByteArray("PS00") << QByteArray("PS");
        QTest::newRow("last label") << QByteArray("PS99") << QByteArray("PS");
        QTest::newRow("label number of three digits") << QByteArray("PS100") << QByteArray();
        QTest::newRow("label number of one digit") << QByteArray("PS7") << QByteArray();
        QTest::newRow("label stem alone") << QByteArray("PS") << QByteArray();
        QTest::newRow("delay") << QByteArray("PD42") << QByteArray("PD");
        QTest::newRow("names are case-sensitive") << QByteArray("ps00") << QByteArray();
        QTest::newRow("Did with small letters") << QByteArray("Did3") << QByteArray("Did");
        QTest::newRow("DID as the status text spells it") << QByteArray("DID0") << QByteArray();
        QTest::newRow("Did past 3") << QByteArray("Did4") << QByteArray();
        QTest::newRow("AF0 is its own command") << QByteArray("AF0") << QByteArray("AF0");
        QTest::newRow("AF7") << QByteArray("AF7") << QByteArray("AF");
        QTest::newRow("AF8") << QByteArray("AF8") << QByteArray();
        QTest::newRow("MG7") << QByteArray("MG7") << QByteArray("MG");
        QTest::newRow("MG8") << QByteArray("MG8") << QByteArray();
        QTest::newRow("letter in the number") << QByteArray("PS0A") << QByteArray();
        QTest::newRow("empty name") << QByteArray() << QByteArray();
        QTest::newRow("prefix of a name") << QByteArray("PW") << QByteArray();
    }
    void findCommand()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, entry);
        const Command *command = zorvan::findCommand(name);
        QCOMPARE(command != nullptr, !entry.isEmpty());
        if (command)
            QCOMPARE(QByteArray(command->name.data(), qsizetype(command->name.size())), entry);
    }

    // Every name of every row leads back to that row alone, so no family
    // swallows a neighbour ("AF" must not take "AF0").
    void everyNameFindsItsOwnRow()
    {
        int names = 0;
        for (const Command &command : kCommandVocabulary) {
            for (int index = command.first; index <= command.last; ++index) {
                const QByteArray name = commandName(command, index);
                QVERIFY2(name.size() >= 2 && name.size() <= 4, name.constData());
                QCOMPARE(zorvan::findCommand(name), &command);
                ++names;
            }
        }
        // 14 single names, 4 Did, 7 AF, 100 PS, 100 PD, 8 MG.
        QCOMPARE(names, 14 + 4 + 7 + 100 + 100 + 8);
    }

    void commandNameOutsideFamily()
    {
        const Command *ps = zorvan::findCommand("PS00");
        QVERIFY(ps);
        QCOMPARE(commandName(*ps, 7), QByteArray("PS07"));
        QCOMPARE(commandName(*ps, 100), QByteArray());
        QCOMPARE(commandName(*ps, -1), QByteArray());
    }

    void sendersOfTheClockAndMode_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("clock");
        QTest::addColumn<bool>("mode");
        QTest::addColumn<bool>("settings");
        QTest::newRow("TIME") << QByteArray("TIME") << true << false << false;
        QTest::newRow("DATE") << QByteArray("DATE") << true << false << false;
        QTest::newRow("SAVE ends three uploads") << QByteArray("SAVE") << true << false << true;
        QTest::newRow("MODE") << QByteArray("MODE") << false << true << false;
        QTest::newRow("PS00 only by the settings upload") << QByteArray("PS00") << false << false << true;
        QTest::newRow("PD never by the settings upload") << QByteArray("PD00") << false << false << false;
    }
    void sendersOfTheClockAndMode()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, clock);
        QFETCH(bool, mode);
        QFETCH(bool, settings);
        const Command *command = zorvan::findCommand(name);
        QVERIFY(command);
        QCOMPARE(command->sentBy(Sender::SynchronizeClock), clock);
        QCOMPARE(command->sentBy(Sender::SetMode), mode);
        QCOMPARE(command->sentBy(Sender::SendSettings), settings);
    }
};

QTEST_APPLESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
