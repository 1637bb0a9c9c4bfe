#include "ui/frm_about.h"

#include <QApplication>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace zorvan;

namespace {

void unloadClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int openAboutWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<FrmAbout *>(widget) && widget->isVisible())
            ++count;
    }
    return count;
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        if (FrmAbout *about = FrmAbout::instance()) {
            about->stepTimer()->stop();
            while (FrmAbout::instance() && FrmAbout::instance()->isVisible())
                FrmAbout::instance()->tick();
        }
        unloadClosedWindows();
    }

    void designOfTheWindow()
    {
        FrmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About ZORVAN Q400+"));
        QCOMPARE(about.size(), QSize(566, 404));
        auto *bar = about.findChild<QProgressBar *>("ProgressBar1");
        QVERIFY(bar);
        QCOMPARE(bar->toolTip(), QStringLiteral("Loading....."));
        QCOMPARE(bar->value(), 0);
        auto *timer = about.findChild<QTimer *>("Timer2");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 30);
        QVERIFY(timer->isActive());
        QCOMPARE(about.counter(), qint16(0));
    }

    void backgroundPictureIsBundled()
    {
        const QPixmap picture(QStringLiteral(":/about.png"));
        QCOMPARE(picture.size(), QSize(566, 404));
    }

    void barFollowsTheTicks_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("open");
        QTest::newRow("first tick") << 1 << 20 << true;
        QTest::newRow("half way") << 10 << 200 << true;
        QTest::newRow("twentieth tick fills the bar") << 20 << 400 << true;
        QTest::newRow("twenty-first tick closes") << 21 << 400 << false;
    }
    void barFollowsTheTicks()
    {
        QFETCH(int, ticks);
        QFETCH(int, value);
        QFETCH(bool, open);
        FrmAbout about;
        about.stepTimer()->stop();
        about.show();
        QSignalSpy finished(&about, &QDialog::finished);
        auto *bar = about.findChild<QProgressBar *>("ProgressBar1");
        for (int i = 0; i < ticks; ++i)
            about.tick();
        QCOMPARE(bar->value(), value);
        QCOMPARE(bar->maximum(), 400);
        QCOMPARE(about.isVisible(), open);
        QCOMPARE(finished.size(), open ? 0 : 1);
        QCOMPARE(about.counter(), qint16(open ? value : 0));
        QCOMPARE(about.stepTimer()->isActive(), false);
    }

    void userCannotCloseItEarly()
    {
        FrmAbout about;
        about.stepTimer()->stop();
        about.show();
        about.tick();
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(about.isVisible());
        about.close();
        QVERIFY(about.isVisible());
        QCOMPARE(about.counter(), qint16(20));
    }

    // The splash does not block: it returns at once, modal over the screen,
    // and tells its owner once it has closed itself.
    void splashTellsWhenItHasClosed()
    {
        QObject context;
        int closed = 0;
        FrmAbout::showSplash(nullptr, &context, [&] { ++closed; });
        QCOMPARE(openAboutWindows(), 1);
        FrmAbout *splash = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *about = qobject_cast<FrmAbout *>(widget); about && about->isVisible())
                splash = about;
        }
        QVERIFY(splash->isModal());
        QCOMPARE(FrmAbout::instance(), nullptr);
        splash->stepTimer()->stop();
        for (int i = 0; i < 20; ++i)
            splash->tick();
        QCOMPARE(closed, 0);
        splash->tick();
        QCOMPARE(closed, 1);
        QCOMPARE(openAboutWindows(), 0);
    }

    void aboutTwiceShowsOneWindow()
    {
        QWidget owner;
        FrmAbout *first = FrmAbout::showAbout(&owner);
        QVERIFY(first);
        QVERIFY(!first->isModal());
        first->stepTimer()->stop();
        first->tick();
        FrmAbout *second = FrmAbout::showAbout(&owner);
        QCOMPARE(second, first);
        QCOMPARE(openAboutWindows(), 1);
        QCOMPARE(second->counter(), qint16(20));
        for (int i = 0; i < 20; ++i)
            second->tick();
        unloadClosedWindows();
        QCOMPARE(FrmAbout::instance(), nullptr);
    }

    void busyPointerEndsWithTheLoading()
    {
        QWidget owner;
        FrmAbout::showAbout(&owner);
        FrmAbout::showAbout(&owner);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void eachShowingStartsAtZero()
    {
        QWidget owner;
        FrmAbout *first = FrmAbout::showAbout(&owner);
        first->stepTimer()->stop();
        for (int i = 0; i < 21; ++i)
            first->tick();
        unloadClosedWindows();
        FrmAbout *again = FrmAbout::showAbout(&owner);
        QVERIFY(again);
        QCOMPARE(again->counter(), qint16(0));
        QCOMPARE(again->findChild<QProgressBar *>("ProgressBar1")->value(), 0);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
