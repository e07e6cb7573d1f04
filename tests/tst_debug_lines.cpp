// The diagnostic lines written on the busy paths (every direct write, pacing
// step, status block and setValue): their labels and values as the debug log
// shows them, and nothing at all reaching the log while it is switched off.
#include "support/core_rig.h"
#include "support/debug_log.h"
#include "support/test_main.h"

#include <QLoggingCategory>

#include <functional>

namespace {

QByteArray statusAnswer()
{
    QByteArray bytes(43, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 5);
    return "gs\r" + bytes.toHex() + "\n";
}

// Receives every message, whatever the category, while it lives.
class AllMessages {
public:
    AllMessages()
    {
        current() = this;
        previous = qInstallMessageHandler(&AllMessages::handle);
    }
    ~AllMessages()
    {
        qInstallMessageHandler(previous);
        current() = nullptr;
    }
    QStringList lines;
    QStringList areaLines; // from the named categories ("vortaxa.*") only

private:
    static AllMessages *&current()
    {
        static AllMessages *messages = nullptr;
        return messages;
    }
    static void handle(QtMsgType, const QMessageLogContext &context, const QString &text)
    {
        if (!current())
            return;
        current()->lines.append(text);
        if (QByteArray(context.category).startsWith("vortaxa."))
            current()->areaLines.append(text);
    }
    QtMessageHandler previous = nullptr;
};

using Action = std::function<void(CoreRig &)>;

} // namespace

Q_DECLARE_METATYPE(Action)

class TestDebugLines : public QObject {
    Q_OBJECT

private slots:
    void linesAsLogged_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("setValue of a parameter: its line, then the write")
            << Action([](CoreRig &r) { r.core.setValue(QStringLiteral("master_volume"), 100); })
            << QStringList{"setValue \"master_volume\" 100", "send \"mv 64\\r\\n\""};
        QTest::newRow("setValue of a control word with its own second line")
            << Action([](CoreRig &r) {
                   r.link.send("gs\r\n"); // busy: the jump waits, the head goes out
                   r.core.setValue(QStringLiteral("preset_change"), 7);
               })
            << QStringList{"setValue \"preset_change\" 7", "sendCount 0", "send \"gs\\r\\n\"",
                           "setValue 1674"};
        QTest::newRow("pacing step: the count it found, then the write")
            << Action([](CoreRig &r) { r.core.slTimer(); })
            << QStringList{"sendCount 2", "send \"gb\\r\\n\""};
        QTest::newRow("status block: the chunk, the decode, the recognised form")
            << Action([](CoreRig &r) { r.device.inject(statusAnswer()); })
            << QStringList{"slReadyRead \"gs\\r" + QString::fromLatin1(statusAnswer().mid(3, 86)) +
                               "\\n\"",
                           "READ GS", "getStatus"};
    }

    void linesAsLogged()
    {
        QFETCH(Action, action);
        QFETCH(QStringList, expected);
        CoreRig rig;
        QVERIFY(rig.openIdle());
        if (QByteArray(QTest::currentDataTag()).startsWith("pacing step")) {
            // "gb" sent twice without an answer: the next step is its third.
            rig.device.script("xxx");
            rig.link.send("gb\r\n");
            rig.link.startSending();
            QVERIFY(rig.waitFor([&] { return rig.link.headSends() == 2; }));
        }

        DebugLog log;
        action(rig);
        QVERIFY(rig.waitFor([&] { return log.lines().size() >= expected.size(); }));
        QCOMPARE(log.lines(), expected);
    }

    // Switched off, the busy paths write nothing to the log at all.
    void nothingWhileOff()
    {
        CoreRig rig;
        QVERIFY(rig.openIdle());
        QLoggingCategory *log = QLoggingCategory::defaultCategory();
        const bool wasOn = log->isDebugEnabled();
        log->setEnabled(QtDebugMsg, false);

        AllMessages messages;
        rig.core.setValue(QStringLiteral("master_volume"), 100);
        rig.link.send("gb\r\n");
        rig.core.slTimer();
        QVERIFY(rig.waitIdle());
        const int chunks = rig.linkRec.count("received");
        rig.device.inject(statusAnswer());
        QVERIFY(rig.waitFor([&] { return rig.linkRec.count("received") == chunks + 1; }));

        log->setEnabled(QtDebugMsg, wasOn);
        QCOMPARE(messages.lines, QStringList());
        QCOMPARE(rig.device.wire(), QByteArray("mv 64\r\ngb\r\n")); // the writes still happened
    }

    // The named areas stay quiet until a rule switches one on.
    void areaLogOnlyWhenSwitchedOn_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no rule: quiet") << QString() << QStringList();
        QTest::newRow("another area on: still quiet") << "vortaxa.link.debug=true" << QStringList();
        QTest::newRow("answers on: one line a chunk")
            << "vortaxa.parse.debug=true"
            << QStringList{"chunk of 6 bytes, answers completed: 1, head released",
                           "chunk of 2 bytes, answers completed: 0, head kept"};
    }
    void areaLogOnlyWhenSwitchedOn()
    {
        QFETCH(QString, rules);
        QFETCH(QStringList, expected);
        CoreRig rig(1, 1); // real time: no retry comes while the test looks
        QVERIFY(rig.openIdle());
        // Neither request reaches the device; what it sends is two chunks
        // of its own while "gb" is on the wire.
        rig.device.script("xx");
        rig.link.send("gb\r\n");
        rig.link.send("gs\r\n");
        rig.link.startSending();

        QLoggingCategory::setFilterRules(rules);
        AllMessages messages;
        rig.device.inject("gsEND\n");
        rig.device.inject("zz", 20);
        QVERIFY(rig.waitFor([&] { return rig.linkRec.count("received") == 2; }));
        QLoggingCategory::setFilterRules(QString());

        QCOMPARE(messages.areaLines, expected);
        QCOMPARE(rig.link.queued(), QList<QByteArray>{"gs\r\n"}); // logged or not, the same work
        QCOMPARE(rig.requests(), (QList<QByteArray>{"gb", "gs"}));
    }
};

VORTAXA_TEST_MAIN(TestDebugLines)
#include "tst_debug_lines.moc"
