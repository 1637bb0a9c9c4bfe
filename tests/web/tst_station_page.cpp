#include "network_service.h"

#include <QFileInfo>
#include <QtTest>

// The web page in a real browser: headless Chromium, driven by the Debian
// python3-selenium, against the real service.
class TestStationPage : public QObject {
    Q_OBJECT

private slots:
    void songAppearsWithinASecond()
    {
        zorvan::test::NetworkService service;
        if (!service.skipReason().isEmpty())
            QSKIP(qPrintable(service.skipReason()));
        for (const char *needed : { "/usr/bin/python3", "/usr/bin/chromium", "/usr/bin/chromedriver" }) {
            if (!QFileInfo(QLatin1String(needed)).isExecutable())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(needed))));
        }
        QVERIFY(service.start());
        QProcess browser;
        browser.setProcessChannelMode(QProcess::MergedChannels);
        browser.start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral(ZORVAN_TEST_SOURCE_DIR "/web/station_page_in_chromium.py"),
                service.url(QString()) });
        QVERIFY(browser.waitForFinished(120000));
        const QByteArray said = browser.readAll();
        qInfo().noquote() << said.trimmed();
        if (said.contains("ModuleNotFoundError: No module named 'selenium'"))
            QSKIP("python3-selenium is not installed");
        QVERIFY2(browser.exitStatus() == QProcess::NormalExit && browser.exitCode() == 0, said.constData());
    }
};

QTEST_GUILESS_MAIN(TestStationPage)
#include "tst_station_page.moc"
