// The answer matcher on its own: template-and-mask rules, partial matches
// across pieces, and every answer form of the catalogue fed whole and split.
#include "parsing/answer_catalogue.h"
#include "parsing/parser.h"
#include "support/test_main.h"

#include <memory>

using Values = QList<QByteArray>;
Q_DECLARE_METATYPE(answers::Form)

namespace {

const QByteArray statusText =
    "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF0011223344556677889900";

// A list answer as the device sends it: per slot its name, LF, two
// characters, LF, "END", LF.
QByteArray listAnswer(int slotCount)
{
    QByteArray bytes = "rns\r";
    for (int i = 0; i < slotCount; ++i)
        bytes += "Cab " + QByteArray::number(i + 1) + "\n0" + QByteArray::number(i % 2) + "\nEND\n";
    return bytes;
}

Values listValues(int slotCount)
{
    Values values;
    for (int i = 0; i < slotCount; ++i)
        values << "Cab " + QByteArray::number(i + 1) << "0" + QByteArray::number(i % 2);
    return values;
}

// A device WAV image as hexadecimal text, `size` bytes before conversion.
QByteArray impulseHex(int size)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char(i * 7));
    return image.toHex();
}

} // namespace

class TestParser : public QObject {
    Q_OBJECT

private slots:
    void matcherRules_data();
    void matcherRules();
    void splitAnswerCompletesOnSecondPiece();
    void secondAnswerInSamePieceIsNotSeen();
    void partialMatchSurvivesManyCalls();
    void mismatchDiscardsCapturedValues();
    void mismatchingByteIsNotComparedAgain();
    void failedCallLeavesOutputUntouched();
    void runawayFieldIsCapped();
    void valueOfExactlyTheCapStillCompletes();
    void fullSizeImpulseInReadSizedPieces();
    void everyForm_data();
    void everyForm();
    void listFormsDependOnLength();
};

void TestParser::matcherRules_data()
{
    QTest::addColumn<QByteArray>("templ");
    QTest::addColumn<QByteArray>("mask");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("completes");
    QTest::addColumn<Values>("values");

    QTest::newRow("two capture runs give two values")
        << QByteArray("chb 0\r00\n") << QByteArray("111101001") << QByteArray("chb 3\r01\n") << true
        << Values{"3", "01"};
    QTest::newRow("variable field") << QByteArray("rn\r \n") << QByteArray("111X1")
                                    << QByteArray("rn\rClean 1\n") << true << Values{"Clean 1"};
    QTest::newRow("empty variable field yields no value")
        << QByteArray("rn\r \n") << QByteArray("111X1") << QByteArray("rn\r\n") << true << Values{};
    QTest::newRow("long capture run is one value")
        << QByteArray("gs\r" + QByteArray(86, '0') + "\n")
        << QByteArray("111" + QByteArray(86, '0') + "1") << QByteArray("gs\r" + statusText + "\n")
        << true << Values{statusText};
    QTest::newRow("captures accept CR and LF")
        << QByteArray("gm\r00\n") << QByteArray("111001") << QByteArray("gm\r\r\n\n") << true
        << Values{"\r\n"};
    QTest::newRow("doubled first letter breaks the status form")
        << QByteArray("gs\r" + QByteArray(86, '0') + "\n")
        << QByteArray("111" + QByteArray(86, '0') + "1") << QByteArray("ggs\r" + statusText + "\n")
        << false << Values{};
    QTest::newRow("mask shorter than template completes early")
        << QByteArray("sp\rEND\n") << QByteArray("11111") << QByteArray("sp\rEN") << true
        << Values{};
    QTest::newRow("variable field in last position ends at NUL")
        << QByteArray("v ") << QByteArray("1X") << QByteArray("v12\0", 4) << true << Values{"12"};
    QTest::newRow("literal mask other than 1 then capture")
        << QByteArray("a0") << QByteArray("20") << QByteArray("aZ") << true << Values{"Z"};
    QTest::newRow("empty input") << QByteArray("NX\n") << QByteArray("111") << QByteArray() << false
                                 << Values{};
}

void TestParser::matcherRules()
{
    QFETCH(QByteArray, templ);
    QFETCH(QByteArray, mask);
    QFETCH(QByteArray, input);
    QFETCH(bool, completes);
    QFETCH(Values, values);

    Parser parser(templ, mask);
    Values out;
    QCOMPARE(parser.parse(input, &out), completes);
    QCOMPARE(out, values);
}

void TestParser::splitAnswerCompletesOnSecondPiece()
{
    Parser parser("chb 0\r00\n", "111101001");
    Values out{"untouched"};
    QVERIFY(!parser.parse("chb 3\r", &out));
    QCOMPARE(out, Values{"untouched"});
    QVERIFY(parser.parse("01\n", &out));
    QCOMPARE(out, (Values{"3", "01"}));
    QVERIFY(parser.isIdle());
}

void TestParser::secondAnswerInSamePieceIsNotSeen()
{
    Parser parser("chb 0\r00\n", "111101001");
    Values out;
    QVERIFY(parser.parse("chb 3\r01\nchb 4\r02\n", &out));
    QCOMPARE(out, (Values{"3", "01"}));
    // The bytes after the completing one were not examined.
    QVERIFY(parser.isIdle());
}

void TestParser::partialMatchSurvivesManyCalls()
{
    Parser parser("gs\r" + QByteArray(86, '0') + "\n", "111" + QByteArray(86, '0') + "1");
    const QByteArray answer = "gs\r" + statusText + "\n";
    Values out;
    for (int i = 0; i < answer.size() - 1; ++i)
        QVERIFY2(!parser.parse(answer.mid(i, 1), &out), qPrintable(QString::number(i)));
    QVERIFY(parser.parse(answer.right(1), &out));
    QCOMPARE(out, Values{statusText});
}

void TestParser::mismatchDiscardsCapturedValues()
{
    Parser parser("chb 0\r00\n", "111101001");
    Values out;
    QVERIFY(!parser.parse("chb 3\r01", &out));
    QCOMPARE(parser.partialValues(), (Values{"3", "01"}));
    QVERIFY(!parser.parse("Q", &out)); // not the closing LF
    QVERIFY(parser.isIdle());
    QVERIFY(parser.partialValues().isEmpty());
    QVERIFY(parser.parse("chb 5\r07\n", &out));
    QCOMPARE(out, (Values{"5", "07"}));
}

void TestParser::mismatchingByteIsNotComparedAgain()
{
    // "chchb": the second 'c' breaks the match and is not taken as a new
    // start, so "hb 1..." that follows cannot complete.
    Parser parser("chb 0\r00\n", "111101001");
    Values out;
    QVERIFY(!parser.parse("chchb 1\r01\n", &out));
    QVERIFY(parser.isIdle());
}

void TestParser::failedCallLeavesOutputUntouched()
{
    Parser parser("rn\r \n", "111X1");
    Values out{"kept"};
    QVERIFY(!parser.parse("rn\rhalf a na", &out));
    QCOMPARE(out, Values{"kept"});
    QCOMPARE(parser.partialValues(), Values{"half a na"});
}

void TestParser::runawayFieldIsCapped()
{
    Parser parser("rn\r \n", "111X1");
    Values out;
    QVERIFY(!parser.parse("rn\r", &out));
    const QByteArray piece(64 * 1024, 'a');
    int longest = 0;
    for (int i = 0; i < 2 * Parser::maxValueLength / piece.size(); ++i) {
        QVERIFY(!parser.parse(piece, &out));
        for (const QByteArray &v : parser.partialValues())
            longest = qMax(longest, v.size());
    }
    QCOMPARE(longest, Parser::maxValueLength);
    // Going past the cap was a mismatch: the terminator no longer completes.
    QVERIFY(parser.isIdle());
    QVERIFY(!parser.parse("\n", &out));
    QVERIFY(out.isEmpty());
    // And the next answer is recognised as usual.
    QVERIFY(parser.parse("rn\rCab\n", &out));
    QCOMPARE(out, Values{"Cab"});
}

void TestParser::valueOfExactlyTheCapStillCompletes()
{
    Parser parser("rn\r \n", "111X1");
    Values out;
    const QByteArray value(Parser::maxValueLength, 'b');
    QVERIFY(parser.parse("rn\r" + value + "\n", &out));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out.first().size(), Parser::maxValueLength);
}

void TestParser::fullSizeImpulseInReadSizedPieces()
{
    // The largest legitimate value: a stored impulse of 32044 image bytes.
    std::unique_ptr<Parser> parser(answers::makeParser(answers::Form::Impulse));
    const QByteArray hex = impulseHex(32044);
    const QByteArray answer = "cc\rMy Cab\n" + hex + "\n";
    Values out;
    int completions = 0;
    for (int from = 0; from < answer.size(); from += 4095)
        completions += parser->parse(answer.mid(from, 4095), &out) ? 1 : 0;
    QCOMPARE(completions, 1);
    QCOMPARE(out, (Values{"My Cab", hex}));
}

void TestParser::everyForm_data()
{
    using answers::Form;
    QTest::addColumn<Form>("form");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("completesAfter"); // bytes needed; the rest is not examined

    const auto row = [](const char *name, Form form, const QByteArray &answer, const Values &values,
                        int completesAfter = -1) {
        QTest::newRow(name) << form << answer << values
                            << (completesAfter < 0 ? int(answer.size()) : completesAfter);
    };
    const QByteArray hex = impulseHex(44);
    row("identification", Form::Dev, "olkdev\r2\nEND\n", {"2"});
    row("identification without type", Form::Dev, "olkdev\r\nEND\n", {});
    row("gsEND", Form::GsEnd, "gsEND\n", {});
    row("ccEND", Form::CcEnd, "ccEND\n", {});
    row("dcc", Form::DccEnd, "dcc\rEND\n", {});
    row("lcc", Form::LccEnd, "lcc\rEND\n", {});
    row("esc", Form::EscEnd, "esc\rEND\n", {});
    row("NX", Form::Nx, "NX\n", {});
    row("RX", Form::Rx, "RX 01", {});
    row("status", Form::Status, "gs\r" + statusText + "\n", {statusText});
    row("bank step", Form::Chb, "chb 1\r03\n", {"1", "03"});
    row("preset step", Form::Chp, "chp 0\r12\n", {"0", "12"});
    row("save", Form::Save, "sp\rEND\n", {}, 5);
    row("bank and preset", Form::Bank, "gb\r0309\n", {"0309"});
    row("impulse", Form::Impulse, "cc\rMy Cab\n" + hex + "\n", {"My Cab", hex});
    row("mode", Form::Mode, "gm\r07\n", {"07"});
    row("name", Form::Name, "rn\rClean 1\n", {"Clean 1"});
    row("name, empty", Form::Name, "rn\r\n", {});
    row("empty name", Form::NameEmpty, "rn\r\n", {});
    row("cabinet", Form::CabSim, "ce 0\r", {"0"});
    row("preset number", Form::Pc, "pc 1a\r", {"1a"});
    row("version", Form::Ver, "olkver\r1.07\n", {"1.07"});
    row("16-slot list", Form::Names16, listAnswer(16), listValues(16));
    row("100-slot list", Form::Names100, listAnswer(100), listValues(100));
}

void TestParser::everyForm()
{
    QFETCH(answers::Form, form);
    QFETCH(QByteArray, answer);
    QFETCH(Values, values);
    QFETCH(int, completesAfter);

    std::unique_ptr<Parser> parser(answers::makeParser(form));
    Values out;

    // Whole.
    QVERIFY(parser->parse(answer, &out));
    QCOMPARE(out, values);
    QVERIFY(parser->isIdle());

    // Split in two at every position: exactly one of the two calls
    // completes, the first one when it already holds every needed byte.
    for (int at = 1; at < answer.size(); ++at) {
        out.clear();
        const bool first = parser->parse(answer.left(at), &out);
        const bool second = parser->parse(answer.mid(at), &out);
        const QByteArray where = "split at " + QByteArray::number(at);
        QVERIFY2(first == (at >= completesAfter), where.constData());
        QVERIFY2(first != second, where.constData());
        QVERIFY2(out == values, where.constData());
        parser->reset();
    }
}

void TestParser::listFormsDependOnLength()
{
    std::unique_ptr<Parser> small(answers::makeParser(answers::Form::Names16));
    std::unique_ptr<Parser> large(answers::makeParser(answers::Form::Names100));
    Values out;

    // 16 entries never complete the 100-slot form ...
    QVERIFY(!large->parse(listAnswer(16), &out));
    QVERIFY(!large->isIdle());
    // ... and 100 entries complete the 16-slot form after the 16th.
    QVERIFY(small->parse(listAnswer(100), &out));
    QCOMPARE(out, listValues(16));
}

VORTAXA_TEST_MAIN(TestParser)
#include "tst_parser.moc"
