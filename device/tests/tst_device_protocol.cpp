// The virtual device's answers, edits, moves, impulse handling, payload framing
// and error counting, driven through its pty as the program drives it.
#include "device_session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QtTest>

namespace {

// Control ranges of the 43 status positions, stated here on their own.
struct Limits {
    int low;
    int high;
    bool isSigned;
};
Limits limitsOf(int position)
{
    static const QSet<int> flags = {8, 9, 10, 11, 15, 20, 23, 38, 39, 40, 42};
    static const QSet<int> types = {6, 14};
    if (flags.contains(position))
        return {0, 1, false};
    if (types.contains(position))
        return {0, 3, false};
    if ((position >= 17 && position <= 19) || (position >= 26 && position <= 35))
        return {-12, 12, true};
    return {0, 100, false};
}
int valueAt(const QByteArray &status, int position)
{
    const auto byte = static_cast<quint8>(status.at(position));
    return limitsOf(position).isSigned ? static_cast<qint8>(byte) : byte;
}

// The known presets of a 4 x 4 device that most tests start from: in range,
// different everywhere, no impulse in slots 5 and 11, a name with spaces in 3.
QVector<TestPreset> knownPresets()
{
    QVector<TestPreset> presets(16);
    for (int i = 0; i < 16; ++i) {
        QByteArray status(43, '\0');
        for (int p = 0; p < 43; ++p) {
            const Limits l = limitsOf(p);
            status[p] = static_cast<char>((l.low + (i * 5 + p * 3) % (l.high - l.low + 1)) & 0xff);
        }
        presets[i].status = status;
        if (i == 5 || i == 11)
            continue;
        presets[i].impulseName = i == 3 ? QByteArray("Room Mic 3") : "Cab_" + QByteArray::number(i);
        presets[i].wav = storedImage(samplePattern(2952 + 3 * i, i));
    }
    return presets;
}
const int kKnownCurrent = 6; // bank 1, preset 2

QByteArray knownList()
{
    QByteArray list = "rns\r";
    for (const TestPreset &p : knownPresets())
        list +=
            p.impulseName.isEmpty() ? QByteArray("*\n00\nEND\n") : p.impulseName + "\n01\nEND\n";
    return list;
}

// Reads one answer of `request` whatever its length: "" for the parameter
// commands, up to CR for "pc"/"ce", the whole list for "rns", two lines for "cc".
QByteArray exchange(DeviceSession &s, const QByteArray &request, int slotTotal)
{
    s.send(request);
    const QByteArray word = request.left(request.indexOf(request.contains(' ') ? ' ' : '\r'));
    const bool parameter = request.endsWith("\r\n") && request.contains(' ') && word != "pc" &&
                           word != "ce" && word != "chb" && word != "chp";
    if (parameter)
        return QByteArray();
    QByteArray answer;
    const auto complete = [&] {
        if (word == "pc" || word == "ce")
            return answer.endsWith('\r');
        if (word == "olkdev")
            return answer.endsWith("END\n");
        if (word == "rns")
            return answer.count("END\n") == slotTotal;
        if (word == "cc" && !request.startsWith("cc "))
            return answer.count('\n') == 2;
        return answer.endsWith('\n');
    };
    QElapsedTimer clock;
    clock.start();
    while (!complete() && clock.elapsed() < 5000)
        answer += s.take(10);
    return answer;
}

} // namespace

class TestDeviceProtocol : public QObject {
    Q_OBJECT

private:
    // Starts a 4 x 4 device on a copy of the known presets.
    bool startKnown(DeviceSession &s, const QStringList &more = {})
    {
        QFile file(s.path(QStringLiteral("presets.json")));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(presetsFile(2, 1, 2, 3, knownPresets()));
        file.close();
        return s.start(QStringList{"--type", "2", "--firmware", "9.87-test", "--store",
                                   s.path(QStringLiteral("presets.json"))} +
                       more);
    }

private slots:
    void answers_data();
    void answers();
    void factoryPresets_data();
    void factoryPresets();
    void parameterCommands_data();
    void parameterCommands();
    void rangeWarnings_data();
    void rangeWarnings();
    void editsStoreRevert_data();
    void editsStoreRevert();
    void impulseStoreAndRemove();
    void payloadsInPieces_data();
    void payloadsInPieces();
    void malformed_data();
    void malformed();
    void incompleteRequestIsDropped();
    void requestLogEscapesControlBytes();
    void turnaroundFile();
    void cleanSession_data();
    void cleanSession();
};

void TestDeviceProtocol::answers_data()
{
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<QByteArray>("expected");
    const QVector<TestPreset> p = knownPresets();
    const QByteArray status6 = "gs\r" + hexOf(p[6].status) + "\n";

    QTest::newRow("identification")
        << QByteArrayList{"olkdev\r\n"} << QByteArray("olkdev\r2\nEND\n");
    QTest::newRow("version") << QByteArrayList{"olkver\r\n"} << QByteArray("olkver\r9.87-test\n");
    QTest::newRow("bank and preset") << QByteArrayList{"gb\r\n"} << QByteArray("gb\r0102\n");
    QTest::newRow("status") << QByteArrayList{"gs\r\n"} << status6;
    QTest::newRow("mode") << QByteArrayList{"gm\r\n"} << QByteArray("gm\r03\n");
    QTest::newRow("impulse name") << QByteArrayList{"rn\r\n"} << QByteArray("rn\rCab_6\n");
    QTest::newRow("impulse name with spaces")
        << QByteArrayList{"pc 3\r\n", "rn\r\n"} << QByteArray("pc 3\rrn\rRoom Mic 3\n");
    QTest::newRow("no impulse: empty name form")
        << QByteArrayList{"pc 5\r\n", "rn\r\n"} << QByteArray("pc 5\rrn\r\n");
    QTest::newRow("impulse image")
        << QByteArrayList{"cc\r\n"} << "cc\rCab_6\n" + hexOf(p[6].wav) + "\n";
    QTest::newRow("no impulse: empty image form")
        << QByteArrayList{"pc b\r\n", "cc\r\n"} << QByteArray("pc b\rcc\r\n\n");
    QTest::newRow("impulse list") << QByteArrayList{"rns\r\n"} << knownList();
    QTest::newRow("revert") << QByteArrayList{"esc\r\n"} << QByteArray("esc\rEND\n");
    QTest::newRow("drop preview") << QByteArrayList{"lcc\r\n"} << QByteArray("lcc\rEND\n");
    QTest::newRow("remove impulse") << QByteArrayList{"dcc\r\n"} << QByteArray("dcc\rEND\n");
    QTest::newRow("store preset") << QByteArrayList{"sp\r\n"} << QByteArray("sp\rEND\n");
    QTest::newRow("cabinet off") << QByteArrayList{"ce 0\r\n"} << QByteArray("ce 0\r");
    QTest::newRow("cabinet on") << QByteArrayList{"ce 1\r\n"} << QByteArray("ce 1\r");
    QTest::newRow("preset by number")
        << QByteArrayList{"pc e\r\n", "gb\r\n"} << QByteArray("pc e\rgb\r0302\n");
    QTest::newRow("bank up") << QByteArrayList{"chb 1\r\n", "gb\r\n"}
                             << QByteArray("chb 2\r10\ngb\r0202\n");
    QTest::newRow("bank down") << QByteArrayList{"chb 0\r\n", "gb\r\n"}
                               << QByteArray("chb 0\r02\ngb\r0002\n");
    QTest::newRow("preset up") << QByteArrayList{"chp 1\r\n", "gb\r\n"}
                               << QByteArray("chp 3\r07\ngb\r0103\n");
    QTest::newRow("preset down") << QByteArrayList{"chp 0\r\n", "gb\r\n"}
                                 << QByteArray("chp 1\r05\ngb\r0101\n");
    QTest::newRow("bank up wraps from the last bank")
        << QByteArrayList{"pc f\r\n", "chb 1\r\n", "gb\r\n"}
        << QByteArray("pc f\rchb 0\r03\ngb\r0003\n");
    QTest::newRow("bank down wraps from the first bank")
        << QByteArrayList{"pc 1\r\n", "chb 0\r\n"} << QByteArray("pc 1\rchb 3\r13\n");
    QTest::newRow("preset up wraps within its bank")
        << QByteArrayList{"pc 7\r\n", "chp 1\r\n"} << QByteArray("pc 7\rchp 0\r04\n");
    QTest::newRow("preset down wraps within its bank")
        << QByteArrayList{"pc 4\r\n", "chp 0\r\n"} << QByteArray("pc 4\rchp 3\r07\n");
    QTest::newRow("a move loads the stored status")
        << QByteArrayList{"chp 1\r\n", "gs\r\n"}
        << "chp 3\r07\n" + ("gs\r" + hexOf(p[7].status) + "\n");
    QTest::newRow("mode set without an answer")
        << QByteArrayList{"gm a\r\n", "gm\r\n"} << QByteArray("gm\r10\n");
    QTest::newRow("parameter command without an answer")
        << QByteArrayList{"mv 5\r\n", "gb\r\n"} << QByteArray("gb\r0102\n");
}

void TestDeviceProtocol::answers()
{
    QFETCH(QByteArrayList, requests);
    QFETCH(QByteArray, expected);
    DeviceSession s;
    QVERIFY(startKnown(s));
    for (const QByteArray &r : requests)
        s.send(r);
    QCOMPARE(s.read(expected.size()), expected);
    QCOMPARE(s.readFor(50), QByteArray());
    QCOMPARE(s.stats().value("errors").toInt(), 0);
    QCOMPARE(s.stats().value("warnings").toInt(), 0);
}

void TestDeviceProtocol::factoryPresets_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("slotTotal");
    QTest::newRow("type 1: 10 x 10") << 1 << 100;
    QTest::newRow("type 2: 4 x 4") << 2 << 16;
    QTest::newRow("type 3: 4 x 4") << 3 << 16;
    QTest::newRow("type 4: 10 x 10") << 4 << 100;
}

// Factory presets: every value in its control's range, all presets different,
// every listed impulse a valid image long enough for a full preview, and the
// list, the name and the image answers agreeing slot by slot.
void TestDeviceProtocol::factoryPresets()
{
    QFETCH(int, type);
    QFETCH(int, slotTotal);
    DeviceSession s;
    QVERIFY(s.start({"--type", QString::number(type)}));
    QCOMPARE(exchange(s, "olkdev\r\n", slotTotal),
             "olkdev\r" + QByteArray::number(type) + "\nEND\n");
    QCOMPARE(exchange(s, "gb\r\n", slotTotal), QByteArray("gb\r0000\n"));

    const QByteArray list = exchange(s, "rns\r\n", slotTotal);
    QVERIFY(list.startsWith("rns\r"));
    QByteArrayList entries = list.mid(4).split('\n');
    QCOMPARE(entries.takeLast(), QByteArray()); // the list ends in LF
    QCOMPARE(entries.size(), 3 * slotTotal);

    QSet<QByteArray> statuses;
    int empty = 0;
    for (int slot = 0; slot < slotTotal; ++slot) {
        const QByteArray name = entries.at(3 * slot);
        const QByteArray flag = entries.at(3 * slot + 1);
        QCOMPARE(entries.at(3 * slot + 2), QByteArray("END"));
        QCOMPARE(flag, QByteArray(name == "*" ? "00" : "01"));

        const QByteArray number = QByteArray::number(slot, 16);
        QCOMPARE(exchange(s, "pc " + number + "\r\n", slotTotal), "pc " + number + "\r");
        const QByteArray status = s.status();
        QCOMPARE(status.size(), 43);
        statuses.insert(status);
        for (int p = 0; p < 43; ++p) {
            const Limits l = limitsOf(p);
            const int v = valueAt(status, p);
            QVERIFY2(v >= l.low && v <= l.high,
                     qPrintable(QString("slot %1 position %2 value %3").arg(slot).arg(p).arg(v)));
        }
        const QByteArray rn = exchange(s, "rn\r\n", slotTotal);
        const QByteArray cc = exchange(s, "cc\r\n", slotTotal);
        if (name == "*") {
            ++empty;
            QCOMPARE(rn, QByteArray("rn\r\n"));
            QCOMPARE(cc, QByteArray("cc\r\n\n"));
            QCOMPARE(valueAt(status, 8), 0); // no impulse, cabinet off
            continue;
        }
        QCOMPARE(rn, "rn\r" + name + "\n");
        QVERIFY(cc.startsWith("cc\r" + name + "\n"));
        const QByteArray image = QByteArray::fromHex(cc.mid(4 + name.size()).chopped(1));
        const int samples = image.size() - 44;
        QVERIFY2(samples >= 2952 && samples <= 32000, qPrintable(QString::number(samples)));
        QCOMPARE(image.left(44), storedImage(QByteArray(samples, '\0')).left(44));
    }
    QCOMPARE(statuses.size(), slotTotal);
    QVERIFY(empty > 0 && empty < slotTotal / 4);
    QCOMPARE(s.stats().value("errors").toInt(), 0);
}

void TestDeviceProtocol::parameterCommands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("position");
    const QList<QPair<const char *, int>> single = {
        {"mv", 7},  {"eo", 10},  {"ev", 5},   {"et", 6},   {"po", 40},  {"pv", 41},  {"lo", 39},
        {"lv", 36}, {"ho", 38},  {"hv", 37},  {"ce", 8},   {"ao", 11},  {"as", 13},  {"av", 12},
        {"at", 14}, {"pro", 15}, {"prv", 16}, {"prl", 17}, {"prm", 18}, {"prh", 19}, {"co", 23},
        {"cs", 24}, {"cv", 25},  {"go", 20},  {"gt", 21},  {"gd", 22},  {"eqo", 9},  {"eqp", 42}};
    for (const auto &c : single)
        QTest::newRow(c.first) << QByteArray(c.first) << c.second;
    for (int band = 0; band < 5; ++band) {
        const QByteArray b = QByteArray::number(band);
        QTest::newRow(("eqf " + b).constData()) << "eqf " + b << 26 + band;
        QTest::newRow(("eqq " + b).constData()) << "eqq " + b << 31 + band;
        QTest::newRow(("eqv " + b).constData()) << "eqv " + b << 0 + band;
    }
}

// Each command writes its one status byte of the edit buffer and nothing else;
// signed values travel as two's complement.
void TestDeviceProtocol::parameterCommands()
{
    QFETCH(QByteArray, command);
    QFETCH(int, position);
    DeviceSession s;
    QVERIFY(startKnown(s));
    const QByteArray before = s.status();
    QCOMPARE(before, knownPresets()[kKnownCurrent].status);

    const Limits l = limitsOf(position);
    const int value = valueAt(before, position) != l.low ? l.low : l.high;
    const QByteArray text = QByteArray::number(value & 0xff, 16);
    s.send(command + " " + text + "\r\n");
    if (command == "ce")
        QCOMPARE(s.read(5), "ce " + text + "\r");

    QByteArray expected = before;
    expected[position] = static_cast<char>(value & 0xff);
    QCOMPARE(s.status(), expected);
    QCOMPARE(s.stats().value("errors").toInt(), 0);
    QCOMPARE(s.stats().value("warnings").toInt(), 0);
}

void TestDeviceProtocol::rangeWarnings_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("byte");
    QTest::newRow("level above 100") << QByteArray("mv 65\r\n") << 7 << 0x65;
    QTest::newRow("flag of 2") << QByteArray("eo 2\r\n") << 10 << 2;
    QTest::newRow("type 4") << QByteArray("at 4\r\n") << 14 << 4;
    QTest::newRow("tone of 13") << QByteArray("prl d\r\n") << 17 << 0x0d;
    QTest::newRow("band offset of -13") << QByteArray("eqf 0 f3\r\n") << 26 << 0xf3;
}

// Out-of-range values are kept, as the device decides, but reported.
void TestDeviceProtocol::rangeWarnings()
{
    QFETCH(QByteArray, request);
    QFETCH(int, position);
    QFETCH(int, byte);
    DeviceSession s;
    QVERIFY(startKnown(s));
    s.send(request);
    QCOMPARE(static_cast<quint8>(s.status().at(position)), static_cast<quint8>(byte));
    QCOMPARE(s.stats().value("warnings").toInt(), 1);
    QCOMPARE(s.stats().value("errors").toInt(), 0);
}

void TestDeviceProtocol::editsStoreRevert_data()
{
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<int>("master"); // -1: the stored value
    QByteArray edited = knownPresets()[kKnownCurrent].status;
    edited[7] = 5;
    const QByteArray writeStatus = "gs 1\r" + hexOf(edited) + "\r";

    QTest::newRow("an edit shows in the status") << QByteArrayList{"mv 5\r\n"} << 5;
    QTest::newRow("revert drops the edit") << QByteArrayList{"mv 5\r\n", "esc\r\n"} << -1;
    QTest::newRow("preset away and back drops an unsaved edit")
        << QByteArrayList{"mv 5\r\n", "chp 1\r\n", "chp 0\r\n"} << -1;
    QTest::newRow("bank away and back drops an unsaved edit")
        << QByteArrayList{"mv 5\r\n", "chb 1\r\n", "chb 0\r\n"} << -1;
    QTest::newRow("jump to the same preset drops an unsaved edit")
        << QByteArrayList{"mv 5\r\n", "pc 6\r\n"} << -1;
    QTest::newRow("a stored edit survives moves")
        << QByteArrayList{"mv 5\r\n", "sp\r\n", "chp 1\r\n", "chb 1\r\n", "chb 0\r\n", "chp 0\r\n"}
        << 5;
    QTest::newRow("a stored edit survives a jump")
        << QByteArrayList{"mv 5\r\n", "sp\r\n", "pc 0\r\n", "pc 6\r\n"} << 5;
    QTest::newRow("revert returns to the last store")
        << QByteArrayList{"mv 5\r\n", "sp\r\n", "mv 9\r\n", "esc\r\n"} << 5;
    QTest::newRow("dropping the preview keeps the edit")
        << QByteArrayList{"mv 5\r\n", "lcc\r\n"} << 5;
    QTest::newRow("the whole status written") << QByteArrayList{writeStatus} << 5;
    QTest::newRow("the whole status written, then revert")
        << QByteArrayList{writeStatus, "esc\r\n"} << -1;
    QTest::newRow("storing an impulse keeps the edit unstored")
        << QByteArrayList{"mv 5\r\n", storeCommand("X.wav", storedImage(samplePattern(3000, 1))),
                          "esc\r\n"}
        << -1;
}

void TestDeviceProtocol::editsStoreRevert()
{
    QFETCH(QByteArrayList, steps);
    QFETCH(int, master);
    DeviceSession s;
    QVERIFY(startKnown(s));
    for (const QByteArray &step : steps)
        exchange(s, step, 16);
    const int stored = valueAt(knownPresets()[kKnownCurrent].status, 7);
    QCOMPARE(valueAt(s.status(), 7), master < 0 ? stored : master);
    QCOMPARE(s.stats().value("errors").toInt(), 0);
}

// Stored and removed impulses show in every later answer and survive moves;
// a preview changes none of them.
void TestDeviceProtocol::impulseStoreAndRemove()
{
    DeviceSession s;
    QVERIFY(startKnown(s));
    const QByteArray image = storedImage(samplePattern(30000, 9));
    const QByteArray preview = hexOf(samplePattern(2952, 4));

    QCOMPARE(exchange(s, "cc s 1\r" + preview + "\r", 16), QByteArray("ccEND\n"));
    QCOMPARE(exchange(s, "rn\r\n", 16), QByteArray("rn\rCab_6\n"));

    QCOMPARE(exchange(s, storeCommand("New_Cab.wav", image), 16), QByteArray("ccEND\n"));
    QCOMPARE(exchange(s, "chp 1\r\n", 16), QByteArray("chp 3\r07\n"));
    QCOMPARE(exchange(s, "chp 0\r\n", 16), QByteArray("chp 2\r06\n"));
    QCOMPARE(exchange(s, "rn\r\n", 16), QByteArray("rn\rNew_Cab.wav\n"));
    QCOMPARE(exchange(s, "cc\r\n", 16), "cc\rNew_Cab.wav\n" + hexOf(image) + "\n");
    QByteArray list = knownList();
    list.replace("Cab_6\n01\n", "New_Cab.wav\n01\n");
    QCOMPARE(exchange(s, "rns\r\n", 16), list);

    QCOMPARE(exchange(s, "dcc\r\n", 16), QByteArray("dcc\rEND\n"));
    QCOMPARE(exchange(s, "rn\r\n", 16), QByteArray("rn\r\n"));
    QCOMPARE(exchange(s, "cc\r\n", 16), QByteArray("cc\r\n\n"));
    list.replace("New_Cab.wav\n01\n", "*\n00\n");
    QCOMPARE(exchange(s, "rns\r\n", 16), list);
    QCOMPARE(s.stats().value("errors").toInt(), 0);
}

void TestDeviceProtocol::payloadsInPieces_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("piece");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("check");
    QTest::addColumn<QByteArray>("checkAnswer");
    QByteArray status = knownPresets()[0].status;
    status[7] = 42;
    const QByteArray image = storedImage(samplePattern(32000, 3));

    QTest::newRow("status byte by byte")
        << "gs 1\r" + hexOf(status) + "\r" << 1 << 1 << QByteArray("gsEND\n")
        << QByteArray("gs\r\n") << "gs\r" + hexOf(status) + "\n";
    QTest::newRow("preview in 500-byte pieces")
        << "cc s 1\r" + hexOf(samplePattern(2952, 2)) + "\r" << 500 << 20 << QByteArray("ccEND\n")
        << QByteArray("rn\r\n") << QByteArray("rn\rCab_6\n");
    QTest::newRow("largest store in 500-byte pieces")
        << storeCommand("Piece_Cab.wav", image) << 500 << 20 << QByteArray("ccEND\n")
        << QByteArray("cc\r\n") << "cc\rPiece_Cab.wav\n" + hexOf(image) + "\n";
    QTest::newRow("plain request byte by byte")
        << QByteArray("gb\r\n") << 1 << 5 << QByteArray("gb\r0102\n") << QByteArray("gm\r\n")
        << QByteArray("gm\r03\n");
    QTest::newRow("CR and LF apart")
        << QByteArray("chp 1\r\n") << 6 << 60 << QByteArray("chp 3\r07\n") << QByteArray("gb\r\n")
        << QByteArray("gb\r0103\n");
}

void TestDeviceProtocol::payloadsInPieces()
{
    QFETCH(QByteArray, request);
    QFETCH(int, piece);
    QFETCH(int, pauseMs);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, check);
    QFETCH(QByteArray, checkAnswer);
    DeviceSession s;
    QVERIFY(startKnown(s));
    s.sendInPieces(request, piece, pauseMs);
    QCOMPARE(s.read(answer.size()), answer);
    QCOMPARE(s.ask(check, checkAnswer.size()), checkAnswer);
    QCOMPARE(s.readFor(30), QByteArray());
    QCOMPARE(s.stats().value("errors").toInt(), 0);
    QCOMPARE(s.stats().value("requests").toInt(), 2);
}

void TestDeviceProtocol::malformed_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray nx = "NX\n";
    const QByteArray none;
    const QByteArray status = hexOf(knownPresets()[0].status);
    const QByteArray samples = samplePattern(3000, 5);
    const auto image = [&](int offset, quint32 value, int size) {
        QByteArray i = storedImage(samples);
        for (int b = 0; b < size; ++b)
            i[offset + b] = static_cast<char>((value >> (8 * b)) & 0xff);
        return i;
    };

    QTest::newRow("unknown word") << QByteArray("xyz\r\n") << nx;
    QTest::newRow("empty line") << QByteArray("\r\n") << nx;
    QTest::newRow("argument where none belongs") << QByteArray("gb 1\r\n") << nx;
    QTest::newRow("uppercase request") << QByteArray("GB\r\n") << nx;
    QTest::newRow("step direction 2") << QByteArray("chb 2\r\n") << nx;
    QTest::newRow("step without direction") << QByteArray("chp\r\n") << nx;
    QTest::newRow("preset number beyond the last") << QByteArray("pc 10\r\n") << nx;
    QTest::newRow("preset number with leading zero") << QByteArray("pc 0a\r\n") << nx;
    QTest::newRow("preset number in decimal text") << QByteArray("pc 12x\r\n") << nx;
    QTest::newRow("cabinet without value") << QByteArray("ce\r\n") << nx;
    QTest::newRow("value with leading zero") << QByteArray("mv 0a\r\n") << none;
    QTest::newRow("value in uppercase") << QByteArray("mv FF\r\n") << none;
    QTest::newRow("value above a byte") << QByteArray("mv 100\r\n") << none;
    QTest::newRow("value missing") << QByteArray("mv\r\n") << none;
    QTest::newRow("value negative in decimal") << QByteArray("prl -3\r\n") << none;
    QTest::newRow("band 5") << QByteArray("eqf 5 1\r\n") << none;
    QTest::newRow("band missing") << QByteArray("eqq 1\r\n") << none;
    QTest::newRow("mode above 99") << QByteArray("gm 64\r\n") << none;
    QTest::newRow("CR without LF") << QByteArray("gb\rgb\r\n") << QByteArray("NX\ngb\r0102\n");
    QTest::newRow("payload command ended in CR LF") << QByteArray("gs 1\r\n") << nx;
    QTest::newRow("status too short") << "gs 1\r" + status.left(84) + "\r" << nx;
    QTest::newRow("status too long") << "gs 1\r" + status + "00\r" << nx;
    QTest::newRow("status not hex") << "gs 1\r" + status.left(85) + "g\r" << nx;
    QTest::newRow("paste before any copy") << QByteArray("gs 1\r00\r") << nx;
    QTest::newRow("preview empty") << QByteArray("cc s 1\r\r") << nx;
    QTest::newRow("preview odd length") << "cc s 1\r" + QByteArray(5903, 'a') + "\r" << nx;
    QTest::newRow("preview too long") << "cc s 1\r" + QByteArray(5906, 'a') + "\r" << nx;
    QTest::newRow("preview not hex") << "cc s 1\r" + QByteArray(5904, 'z') + "\r" << nx;
    QTest::newRow("impulse command with 1 and a name")
        << "cc New 1\r" + hexOf(samples) + "\r" << nx;
    QTest::newRow("store: name with a space")
        << storeCommand("My Cab.wav", storedImage(samples)) << nx;
    QTest::newRow("store: name \"*\"") << storeCommand("*", storedImage(samples)) << nx;
    QTest::newRow("store: name too long")
        << storeCommand(QByteArray(256, 'n'), storedImage(samples)) << nx;
    QTest::newRow("store: not hex") << "cc A.wav 0\r" + QByteArray(200, 'q') + "\r" << nx;
    QTest::newRow("store: header only") << storeCommand("A.wav", storedImage({})) << nx;
    QTest::newRow("store: raw samples, no header") << storeCommand("A.wav", samples) << nx;
    QTest::newRow("store: RIFF size") << storeCommand("A.wav", image(4, 3000, 4)) << nx;
    QTest::newRow("store: not WAVE") << storeCommand("A.wav", image(8, 0x45564157 ^ 1, 4)) << nx;
    QTest::newRow("store: format chunk size") << storeCommand("A.wav", image(16, 18, 4)) << nx;
    QTest::newRow("store: not PCM") << storeCommand("A.wav", image(20, 3, 2)) << nx;
    QTest::newRow("store: stereo") << storeCommand("A.wav", image(22, 2, 2)) << nx;
    QTest::newRow("store: 44100 Hz") << storeCommand("A.wav", image(24, 44100, 4)) << nx;
    QTest::newRow("store: byte rate") << storeCommand("A.wav", image(28, 96000, 4)) << nx;
    QTest::newRow("store: block align") << storeCommand("A.wav", image(32, 2, 2)) << nx;
    QTest::newRow("store: 16 bits") << storeCommand("A.wav", image(34, 16, 2)) << nx;
    QTest::newRow("store: data size") << storeCommand("A.wav", image(40, 2999, 4)) << nx;
    QTest::newRow("store: more than 32000 sample bytes")
        << storeCommand("A.wav", storedImage(samplePattern(32001, 1))) << nx;
}

// Each malformed request counts one error, draws "NX" where an answer is
// awaited (nothing for a parameter command), and changes nothing.
void TestDeviceProtocol::malformed()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    DeviceSession s;
    QVERIFY(startKnown(s));
    s.send(request);
    QCOMPARE(s.read(answer.size()), answer);
    QCOMPARE(s.readFor(50), QByteArray()); // a late answer would also spoil the status below
    QCOMPARE(s.status(), knownPresets()[kKnownCurrent].status);
    QCOMPARE(s.ask("rn\r\n", 9), QByteArray("rn\rCab_6\n"));
    QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r03\n"));
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0102\n"));
    QCOMPARE(s.stats().value("errors").toInt(), 1);
}

// A request that never ends is dropped after the quiet time and counted.
void TestDeviceProtocol::incompleteRequestIsDropped()
{
    DeviceSession s;
    QVERIFY(startKnown(s, {"--request-timeout", "150"}));
    s.send("gb");
    QCOMPARE(s.read(3), QByteArray("NX\n"));
    QCOMPARE(s.stats().value("errors").toInt(), 1);
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0102\n"));
    QCOMPARE(s.requestLog(), QStringList({"gb", "gb\\r\\n"}));
}

void TestDeviceProtocol::requestLogEscapesControlBytes()
{
    DeviceSession s;
    QVERIFY(startKnown(s));
    const QByteArray status = hexOf(knownPresets()[1].status);
    exchange(s, "olkdev\r\n", 16);
    exchange(s, "mv 64\r\n", 16);
    exchange(s, "gs 1\r" + status + "\r", 16);
    s.send("a\\b\x01\t\xff\r\n");
    QCOMPARE(s.read(3), QByteArray("NX\n"));
    QCOMPARE(s.requestLog(), QStringList({"olkdev\\r\\n", "mv 64\\r\\n",
                                          "gs 1\\r" + QString::fromLatin1(status) + "\\r",
                                          "a\\\\b\\x01\\t\\xff\\r\\n"}));
}

// One line per request: the time since the last answer left, or -1 when no
// answer left since the request before it (the first one, or after a
// parameter command).
void TestDeviceProtocol::turnaroundFile()
{
    DeviceSession s;
    const QString file = s.path(QStringLiteral("turnaround.txt"));
    QVERIFY(startKnown(s, {"--turnaround-file", file}));
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0102\n"));
    QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r03\n"));
    s.send("mv 5\r\n");
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0102\n"));
    QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r03\n"));
    QCOMPARE(s.stop(), 0);

    QFile turnaround(file);
    QVERIFY(turnaround.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = turnaround.readAll().split('\n');
    QCOMPARE(lines.size(), 6); // five lines and the empty rest after the last newline
    QCOMPARE(lines.last(), QByteArray());
    QList<qint64> figures;
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        figures << lines.at(i).toLongLong(&ok);
        QVERIFY2(ok, lines.at(i).constData());
    }
    QCOMPARE(figures.at(0), -1); // gb: nothing answered before
    QVERIFY(figures.at(1) >= 0); // gm after the gb answer
    QVERIFY(figures.at(2) >= 0); // mv after the gm answer
    QCOMPARE(figures.at(3), -1); // gb after mv, which draws no answer
    QVERIFY(figures.at(4) >= 0); // gm after the gb answer
}

void TestDeviceProtocol::cleanSession_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("banks");
    QTest::newRow("type 1") << 1 << 10;
    QTest::newRow("type 2") << 2 << 4;
}

// A whole session as the program runs it: start-up burst, edits, moves, copy
// and paste, saves with and without an impulse, compare, removal and the map
// sweep. No request may be answered wrongly or counted as an error.
void TestDeviceProtocol::cleanSession()
{
    QFETCH(int, type);
    QFETCH(int, banks);
    const int slotTotal = banks * banks;
    DeviceSession s;
    QVERIFY(s.start({"--type", QString::number(type)}));
    const auto x = [&](const QByteArray &request) { return exchange(s, request, slotTotal); };

    for (const char *r :
         {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n", "gb\r\n", "gs\r\n", "gm\r\n"})
        QVERIFY(!x(r).isEmpty());
    for (const char *edit : {"mv 50\r\n", "eqf 2 f4\r\n", "prl fd\r\n", "at 2\r\n", "gm 1\r\n"})
        QCOMPARE(x(edit), QByteArray());
    QCOMPARE(x("gm\r\n"), QByteArray("gm\r01\n"));

    // Copy the preset after the current one, paste it one further on.
    for (const char *r : {"chp 1\r\n", "gb\r\n", "gs\r\n", "rn\r\n"})
        QVERIFY(!x(r).isEmpty());
    const QByteArray copiedStatus = x("gs\r\n").mid(3, 86);
    const QByteArrayList copied = x("cc\r\n").mid(3).split('\n');
    QCOMPARE(copied.size(), 3);
    QByteArray name = copied.at(0);
    name.replace(' ', '_');
    const QByteArray imageHex = copied.at(1);
    QVERIFY(!name.isEmpty());
    for (const char *r : {"chp 1\r\n", "gb\r\n", "gs\r\n", "rn\r\n"})
        QVERIFY(!x(r).isEmpty());
    QCOMPARE(x("gs 1\r" + copiedStatus + "\r"), QByteArray("gsEND\n"));
    QCOMPARE(x("gs\r\n"), "gs\r" + copiedStatus + "\n");
    QCOMPARE(x("cc s 1\r" + imageHex.mid(88, 5904) + "\r"), QByteArray("ccEND\n"));
    // Saving the paste gives the image back byte for byte.
    QCOMPARE(x("cc " + name + " 0\r" + imageHex + "\r"), QByteArray("ccEND\n"));
    QCOMPARE(x("sp\r\n"), QByteArray("sp\rEND\n"));
    QCOMPARE(x("rn\r\n"), "rn\r" + name + "\n");

    // A new impulse from a file: preview, then store with the preset.
    QCOMPARE(x("cc s 1\r" + hexOf(samplePattern(2952, 8)) + "\r"), QByteArray("ccEND\n"));
    const QByteArray image = storedImage(samplePattern(30000, 8));
    QCOMPARE(x(storeCommand("My_Cab.wav", image)), QByteArray("ccEND\n"));
    for (const char *r : {"sp\r\n", "rn\r\n", "gs\r\n"})
        QVERIFY(!x(r).isEmpty());
    QCOMPARE(x("cc\r\n"), "cc\rMy_Cab.wav\n" + hexOf(image) + "\n");

    // Compare an edit with the stored preset and back.
    QCOMPARE(x("mv 20\r\n"), QByteArray());
    const QByteArray edited = x("gs\r\n").mid(3, 86);
    QCOMPARE(x("esc\r\n"), QByteArray("esc\rEND\n"));
    QVERIFY(x("rn\r\n").startsWith("rn\r"));
    QVERIFY(x("gs\r\n") != "gs\r" + edited + "\n");
    QCOMPARE(x("gs 1\r" + edited + "\r"), QByteArray("gsEND\n"));
    QCOMPARE(x("gs\r\n"), "gs\r" + edited + "\n");

    // A paste of a preset without impulse: unit impulse, cabinet off, removal.
    QCOMPARE(x("cc s 1\rffff7f" + QByteArray(5898, '0') + "\r"), QByteArray("ccEND\n"));
    QCOMPARE(x("ce 0\r\n"), QByteArray("ce 0\r"));
    for (const char *r : {"dcc\r\n", "sp\r\n"})
        QVERIFY(x(r).endsWith("END\n"));
    QCOMPARE(x("rn\r\n"), QByteArray("rn\r\n"));

    // The map sweep visits every preset.
    QSet<QByteArray> visited;
    for (int p = 0; p < banks; ++p) {
        for (int b = 0; b <= banks; ++b) {
            QVERIFY(!x(b == 0 ? "chp 1\r\n" : "chb 1\r\n").isEmpty());
            const QByteArray position = x("gb\r\n");
            QVERIFY(position.startsWith("gb\r") && position.size() == 8);
            visited.insert(position);
            QVERIFY(x("rn\r\n").startsWith("rn\r"));
            QCOMPARE(x("gs\r\n").size(), 90);
        }
    }
    QCOMPARE(visited.size(), slotTotal);

    const QJsonObject stats = s.stats();
    QCOMPARE(stats.value("errors").toInt(), 0);
    QCOMPARE(stats.value("warnings").toInt(), 0);
    QCOMPARE(s.readFor(30), QByteArray());
    QCOMPARE(s.stop(), 0);
    QVERIFY2(s.stdoutRest().contains(" 0 errors, 0 warnings"), s.stdoutRest().constData());
}

QTEST_GUILESS_MAIN(TestDeviceProtocol)
#include "tst_device_protocol.moc"
