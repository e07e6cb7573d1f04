// The desktop object: the window's place fitted onto the screens there are,
// kept across runs, and a web page that no browser opened reported instead of
// dropped.
#include "base/web_pages.h"
#include "core/core.h"
#include "desktop/desktop.h"
#include "desktop/window_place.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

Q_DECLARE_METATYPE(QList<QRect>)

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void placeOnScreens_data()
    {
        QTest::addColumn<QRect>("kept");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("place");
        const QList<QRect> one{{0, 0, 1920, 1080}};
        const QList<QRect> two{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
        const QRect none;
        QTest::newRow("inside: as kept")
            << QRect(100, 80, 1240, 780) << one << QRect(100, 80, 1240, 780);
        QTest::newRow("on the second screen")
            << QRect(2000, 50, 1000, 700) << two << QRect(2000, 50, 1000, 700);
        QTest::newRow("across both: onto the one it covers most")
            << QRect(1500, 100, 1240, 780) << two << QRect(1920, 100, 1240, 780);
        QTest::newRow("hanging off the bottom: moved up")
            << QRect(300, 700, 1240, 780) << one << QRect(300, 300, 1240, 780);
        QTest::newRow("larger than the screen: shrunk")
            << QRect(-50, -50, 2400, 1300) << one << QRect(0, 0, 1920, 1080);
        QTest::newRow("second screen gone: off every screen")
            << QRect(2000, 50, 1000, 700) << one << none;
        QTest::newRow("nothing kept") << QRect() << one << none;
    }

    void placeOnScreens()
    {
        QFETCH(QRect, kept);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, place);
        const std::optional<QRect> fitted = windowPlace::onScreens(kept, screens);
        QCOMPARE(fitted.value_or(QRect()), place);
    }

    // Kept through the settings: the next run's object reads it back; a
    // maximized window keeps its earlier place.
    void placeKeptAcrossRuns()
    {
        Core core;
        core.settingsStore().remove("WindowGeometry");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect window(screen.x() + 10, screen.y() + 20, screen.width() / 2,
                           screen.height() / 2);
        Desktop(core.settingsStore(), core.webPageOpener())
            .keepWindowPlace(window.x(), window.y(), window.width(), window.height(), false);
        Desktop(core.settingsStore(), core.webPageOpener())
            .keepWindowPlace(0, 0, screen.width(), screen.height(), true);

        const QVariantMap place = Desktop(core.settingsStore(), core.webPageOpener()).windowPlace();
        QCOMPARE(QRect(place.value("x").toInt(), place.value("y").toInt(),
                       place.value("width").toInt(), place.value("height").toInt()),
                 window);
        QCOMPARE(place.value("maximized").toBool(), true);
    }

    // The test platform has no browser: the page is reported with its address.
    void pageWithoutBrowserReported()
    {
        Core core;
        core.webPageOpener().setOpenUrl(&QDesktopServices::openUrl); // as the panel gives it
        Desktop desktop(core.settingsStore(), core.webPageOpener());
        QSignalSpy spy(&desktop, &Desktop::webPageNotOpened);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not support"));
        core.slOpenUrl2();
        QCOMPARE(spy.size(), 1);
        QVERIFY2(spy.at(0).at(0).toString().endsWith("/help/index.html#presets"),
                 qPrintable(spy.at(0).at(0).toString()));
    }

    // The opener opens a page only through the way its owner gave it; the
    // back end alone (the command line) has none, and says so.
    void openerUsesTheGivenWay_data()
    {
        QTest::addColumn<int>("given"); // 0: none, 1: one that opens, 2: one that fails
        QTest::addColumn<bool>("reported");
        QTest::newRow("none given: not opened") << 0 << true;
        QTest::newRow("opened") << 1 << false;
        QTest::newRow("the way failed: not opened") << 2 << true;
    }
    void openerUsesTheGivenWay()
    {
        QFETCH(int, given);
        QFETCH(bool, reported);
        WebPageOpener opener;
        QList<QUrl> asked;
        if (given != 0)
            opener.setOpenUrl([&asked, given](const QUrl &url) {
                asked.append(url);
                return given == 1;
            });
        QSignalSpy spy(&opener, &WebPageOpener::notOpened);
        const QUrl page(QStringLiteral("https://example.org/page"));
        opener.open(page);
        QCOMPARE(asked, given == 0 ? QList<QUrl>() : QList<QUrl>{page});
        QCOMPARE(spy.size(), reported ? 1 : 0);
        if (reported)
            QCOMPARE(spy.at(0).at(0).toUrl(), page);
    }
};

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
