#include "model/rds_tables.h"
#include "ui/help_pictures.h"

#include <QSet>
#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::HelpPicture)

namespace {

const RdsCountry *findCountry(const char *iso, quint8 countryCode)
{
    for (const RdsCountry &country : rdsEuropeanCountries()) {
        if (qstrcmp(country.iso, iso) == 0 && country.countryCode == countryCode)
            return &country;
    }
    return nullptr;
}

} // namespace

class TestHelpPictures : public QObject {
    Q_OBJECT

private slots:
    // Spot checks against the ECC allocation of the standard, chosen where
    // one PI digit is shared by several countries.
    void knownCountries_data()
    {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<int>("countryCode");
        QTest::addColumn<int>("ecc");
        QTest::newRow("Germany on digit 1") << "DE" << 0x1 << 0xE0;
        QTest::newRow("Germany on digit D") << "DE" << 0xD << 0xE0;
        QTest::newRow("Greece shares 1 with Germany") << "GR" << 0x1 << 0xE1;
        QTest::newRow("Italy") << "IT" << 0x5 << 0xE0;
        QTest::newRow("United Kingdom") << "GB" << 0xC << 0xE1;
        QTest::newRow("France") << "FR" << 0xF << 0xE1;
        QTest::newRow("Spain") << "ES" << 0xE << 0xE2;
        QTest::newRow("Sweden") << "SE" << 0xE << 0xE3;
        QTest::newRow("Netherlands") << "NL" << 0x8 << 0xE3;
        QTest::newRow("Portugal") << "PT" << 0x8 << 0xE4;
        QTest::newRow("Slovenia") << "SI" << 0x9 << 0xE4;
        QTest::newRow("Bosnia and Herzegovina") << "BA" << 0xF << 0xE4;
        QTest::newRow("Croatia") << "HR" << 0xC << 0xE3;
        QTest::newRow("Serbia") << "RS" << 0xD << 0xE2;
    }
    void knownCountries()
    {
        QFETCH(QString, iso);
        QFETCH(int, countryCode);
        QFETCH(int, ecc);
        const RdsCountry *country = findCountry(iso.toLatin1().constData(), quint8(countryCode));
        QVERIFY2(country, qPrintable(iso));
        QCOMPARE(int(country->ecc), ecc);
    }

    void countryTableIsWellFormed()
    {
        const auto countries = rdsEuropeanCountries();
        QVERIFY(countries.size() >= 60);
        QSet<QString> seen;
        QString previous;
        for (const RdsCountry &country : countries) {
            const QString name = QString::fromLatin1(country.name);
            QVERIFY2(country.ecc >= 0xE0 && country.ecc <= 0xE4, country.name);
            QVERIFY2(country.countryCode >= 0x1 && country.countryCode <= 0xF, country.name);
            QCOMPARE(qstrlen(country.iso), 2u);
            QVERIFY2(previous.compare(name) <= 0, country.name);
            previous = name;
            const QString key = QStringLiteral("%1/%2/%3")
                                    .arg(QString::fromLatin1(country.iso))
                                    .arg(country.countryCode)
                                    .arg(country.ecc);
            QVERIFY2(!seen.contains(key), qPrintable(key));
            seen.insert(key);
        }
    }

    void codeTexts_data()
    {
        QTest::addColumn<int>("ecc");
        QTest::addColumn<QString>("eccShown");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("codeShown");
        QTest::newRow("lowest") << 0xE0 << "E0" << 0x1 << "1";
        QTest::newRow("highest") << 0xE4 << "E4" << 0xF << "F";
        QTest::newRow("letter digit upper case") << 0xE2 << "E2" << 0xA << "A";
    }
    void codeTexts()
    {
        QFETCH(int, ecc);
        QFETCH(QString, eccShown);
        QFETCH(int, code);
        QFETCH(QString, codeShown);
        QCOMPARE(eccText(quint8(ecc)), eccShown);
        QCOMPARE(countryCodeText(quint8(code)), codeShown);
    }

    // The picture must follow the order and values of the "Area coverage"
    // selector: L, I, N, S, R1 .. R12 for 0 .. 15.
    void coverageAreasInSelectorOrder()
    {
        QStringList codes;
        int expectedValue = 0;
        for (const RdsCoverageArea &area : rdsCoverageAreas()) {
            codes << QString::fromLatin1(area.code);
            QCOMPARE(area.value, expectedValue++);
            const QString meaning = QString::fromLatin1(area.meaning);
            QVERIFY(meaning.endsWith(QLatin1Char('.')));
            QCOMPARE(meaning.count(QStringLiteral(". ")), 0);
        }
        QStringList expected { "L", "I", "N", "S" };
        for (int region = 1; region <= 12; ++region)
            expected << QStringLiteral("R%1").arg(region);
        QCOMPARE(codes, expected);
    }

    void trafficFlagsCoverEveryCombination()
    {
        QSet<int> combinations;
        for (const RdsTrafficFlags &flags : rdsTrafficFlags()) {
            QVERIFY(flags.tp == 0 || flags.tp == 1);
            QVERIFY(flags.ta == 0 || flags.ta == 1);
            combinations.insert(flags.tp * 2 + flags.ta);
            QVERIFY(qstrlen(flags.meaning) > 20);
        }
        QCOMPARE(combinations.size(), 4);
        QCOMPARE(rdsTrafficFlags().size(), 4u);
        QVERIFY(QString::fromLatin1(rdsTrafficFlags()[1].meaning).contains("EON"));
    }

    void picturesAreDrawn_data()
    {
        QTest::addColumn<HelpPicture>("picture");
        QTest::newRow("countries") << HelpPicture::Countries;
        QTest::newRow("coverage areas") << HelpPicture::CoverageAreas;
        QTest::newRow("traffic flags") << HelpPicture::TrafficFlags;
    }
    void picturesAreDrawn()
    {
        QFETCH(HelpPicture, picture);
        const QImage image = drawHelpPicture(picture);
        QCOMPARE(image.size(), kHelpPictureSize);
        // Ink must reach the lower part too: a table cut short or drawn off
        // the picture leaves its bottom half blank.
        const int half = image.height() / 2;
        int inkedRows = 0;
        for (int y = half; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    ++inkedRows;
                    break;
                }
            }
        }
        QVERIFY2(inkedRows > image.height() / 10, qPrintable(QString::number(inkedRows)));
    }

    void picturesDiffer()
    {
        const QImage countries = drawHelpPicture(HelpPicture::Countries);
        QVERIFY(countries != drawHelpPicture(HelpPicture::CoverageAreas));
        QVERIFY(countries != drawHelpPicture(HelpPicture::TrafficFlags));
    }
};

QTEST_MAIN(TestHelpPictures)
#include "tst_help_pictures.moc"
