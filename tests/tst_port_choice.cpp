// The choice of the device's port from an enumeration of serial ports, and
// the port name shown to the user. Pure functions: no port is opened.
#include "link/port_choice.h"
#include "support/test_main.h"

using portChoice::PortEntry;
Q_DECLARE_METATYPE(QList<PortEntry>)

namespace {
PortEntry usbPort(const QString &location, quint16 vendor, quint16 product)
{
    PortEntry e;
    e.systemLocation = location;
    e.hasIdentifiers = true;
    e.vendor = vendor;
    e.product = product;
    return e;
}

PortEntry plainPort(const QString &location)
{
    PortEntry e;
    e.systemLocation = location;
    return e;
}
} // namespace

class TestPortChoice : public QObject {
    Q_OBJECT

private slots:
    void recognisesDevice_data()
    {
        QTest::addColumn<bool>("hasIds");
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<bool>("device");

        QTest::newRow("first pair") << true << 0xFF00 << 0x0009 << true;
        QTest::newRow("second pair") << true << 0x0483 << 0xA24B << true;
        QTest::newRow("third pair") << true << 0x0483 << 0x5740 << true;

        QTest::newRow("0x0483 with another product") << true << 0x0483 << 0x5741 << false;
        QTest::newRow("0x0483 with the first pair's product") << true << 0x0483 << 0x0009 << false;
        QTest::newRow("product 0x0009 under another vendor") << true << 0x1234 << 0x0009 << false;
        QTest::newRow("0xFF00 with the second pair's product") << true << 0xFF00 << 0xA24B << false;
        QTest::newRow("first pair swapped") << true << 0x0009 << 0xFF00 << false;
        QTest::newRow("vendor one off") << true << 0xFF01 << 0x0009 << false;
        QTest::newRow("product one off") << true << 0x0483 << 0xA24A << false;
        QTest::newRow("no identifiers") << false << 0 << 0 << false;
        QTest::newRow("stale identifiers without the flag") << false << 0x0483 << 0x5740 << false;
    }
    void recognisesDevice()
    {
        QFETCH(bool, hasIds);
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(bool, device);

        PortEntry e = usbPort("/dev/ttyACM0", quint16(vendor), quint16(product));
        e.hasIdentifiers = hasIds;
        QCOMPARE(portChoice::isDevice(e), device);
    }

    void choosesFirstMatch_data()
    {
        QTest::addColumn<QList<PortEntry>>("ports");
        QTest::addColumn<int>("chosen"); // -1: none

        const PortEntry serial0 = plainPort("/dev/ttyS0");
        const PortEntry dongle = usbPort("/dev/ttyUSB0", 0x0403, 0x6001);
        const PortEntry nearMiss = usbPort("/dev/ttyACM0", 0x0483, 0x5741);
        const PortEntry devA = usbPort("/dev/ttyACM1", 0x0483, 0x5740);
        const PortEntry devB = usbPort("/dev/ttyACM2", 0xFF00, 0x0009);

        QTest::newRow("nothing enumerated") << QList<PortEntry>{} << -1;
        QTest::newRow("only ports without identifiers") << QList<PortEntry>{serial0, serial0} << -1;
        QTest::newRow("only foreign devices") << QList<PortEntry>{dongle, nearMiss} << -1;
        QTest::newRow("device behind other ports")
            << QList<PortEntry>{serial0, dongle, nearMiss, devA} << 3;
        QTest::newRow("two devices: the first enumerated wins")
            << QList<PortEntry>{devA, devB} << 0;
        // The order of the identifier table does not rank ports: the first
        // enumerated port that matches any pair is taken.
        QTest::newRow("later pair enumerated first") << QList<PortEntry>{dongle, devA, devB} << 1;
    }
    void choosesFirstMatch()
    {
        QFETCH(QList<PortEntry>, ports);
        QFETCH(int, chosen);

        const std::optional<int> found = portChoice::firstDevice(ports);
        QCOMPARE(found.value_or(-1), chosen);
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");

        QTest::newRow("device-prefixed location") << R"(\\.\COM12)"
                                                  << "COM12";
        QTest::newRow("plain port name") << "COM3"
                                         << "COM3";
        QTest::newRow("linux device path") << "/dev/ttyACM0"
                                           << "/dev/ttyACM0";
        QTest::newRow("dots anywhere are dropped") << "/dev/cu.usbmodem1.2"
                                                   << "/dev/cuusbmodem12";
        QTest::newRow("empty") << ""
                               << "";
    }
    void displayName()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(portChoice::displayName(name), shown);
    }
};

VORTAXA_TEST_MAIN(TestPortChoice)
#include "tst_port_choice.moc"
