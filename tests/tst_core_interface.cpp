// Core's contract with the interface document: exactly the declared signals,
// slots and invokable methods, reachable by name, and the state after
// construction.
#include "core/core.h"
#include "core/device_parts.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_transport.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/answer_matchers.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"
#include "support/in_process_device.h"
#include "support/link_rig.h"
#include "support/pty.h"
#include "support/test_main.h"

#include <QMetaMethod>
#include <QSerialPort>
#include <QTimer>

class TestCoreInterface : public QObject {
    Q_OBJECT

    // "name(type,type)" of every method Core itself declares, of one kind.
    static QStringList methods(QMetaMethod::MethodType type, QMetaMethod::Access access)
    {
        const QMetaObject &meta = Core::staticMetaObject;
        QStringList result;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            if (m.methodType() == type && m.access() == access)
                result.append(QString::fromLatin1(m.methodSignature()));
        }
        return result;
    }

private slots:
    void signalsInDeclaredOrder()
    {
        const QStringList expected = {
            "sgReadGsBand(uint,uint,uint,uint,uint)",
            "sgReadVol(uint)",
            "sgReadEqOn(uint)",
            "sgReadCabOn(uint)",
            "sgReadEarRefOn(uint)",
            "sgReadFreq(int,int,int,int,int)",
            "sgReadQ(int,int,int,int,int)",
            "sgReadLPF(uint,uint)",
            "sgReadHPF(uint,uint)",
            "sgReadPresence(uint,uint)",
            "signal()",
            "sgSetImpulsName(QString)",
            "sgSetEnabled(bool)",
            "sgSetProgress(float)",
            "sgReadMode(uint)",
            "sgReadName(uint)",
            "sgReadEarlyType(uint)",
            "sgReadEarlyVal(uint)",
            "sgSetEdit(bool)",
            "sgSetWait(bool)",
            "sgPresetUpDownStage1(uchar)",
            "sgPresetChangeStage1(uchar)",
            "sgEndCommands()",
            "sgNotSupport()",
            "sgRequestConvert(QString)",
            "sgPortOpen(bool,QString)",
            "sgColorOpen()",
            "sgSetColorFileName(QString)",
            "sgReadValue(QString,int)",
            "sgReadText(QString,QString)",
            "sgAnswerErrSave(QString)",
            "sgUpDown(QString,bool)",
        };
        QCOMPARE(methods(QMetaMethod::Signal, QMetaMethod::Public), expected);
    }

    void privateSlots()
    {
        const QStringList expected = {"slPortTimer()", "slPortTimer_Delme()", "slReadyRead()",
                                      "slAskEn()",     "slDecodeStop()",      "slPortError()"};
        QCOMPARE(methods(QMetaMethod::Slot, QMetaMethod::Private), expected);
        QVERIFY(methods(QMetaMethod::Slot, QMetaMethod::Public).isEmpty());
    }

    void invokableMethodsWithTheirResults()
    {
        const QMetaObject &meta = Core::staticMetaObject;
        const QMap<QString, QString> expected = {
            {"decodeWavOk(QString,bool)", "void"},
            {"send(QByteArray)", "void"},
            {"sendRaw(QByteArray)", "void"},
            {"sendEdit(QByteArray)", "void"},
            {"setImpuls(QString,QString)", "void"},
            {"setImpuls(QString)", "void"},
            {"openPort(QString)", "bool"},
            {"findPort()", "void"},
            {"slTimer()", "void"},
            {"slSaveUpDown(uchar)", "void"},
            {"slCompare()", "void"},
            {"slEsc()", "void"},
            {"slEscImpuls()", "void"},
            {"setFolderPos(uchar)", "void"},
            {"getFolderPos()", "uchar"},
            {"readAll()", "void"},
            {"slCopy()", "void"},
            {"slPaste()", "void"},
            {"slOpenUrl1()", "void"},
            {"slOpenUrl2()", "void"},
            {"getDrivers()", "QStringList"},
            {"getLastPath()", "QString"},
            {"setLastPath(QString)", "void"},
            {"getSkinsPath()", "QString"},
            {"setSkinsPath(QString)", "void"},
            {"getAlternativeSkins()", "bool"},
            {"setAlternativeSkins(bool)", "void"},
            {"colorOpen()", "void"},
            {"setColorFileName(QString)", "void"},
            {"getColorFileName()", "QString"},
            {"slAnswerErrSave(QString)", "void"},
            {"slTabKey(bool)", "void"},
            {"slUpDown(bool)", "void"},
            {"slSpeechValue(QString)", "void"},
            {"setValue(QString,uchar)", "void"},
        };
        QMap<QString, QString> found;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            if (m.methodType() == QMetaMethod::Method) {
                QCOMPARE(m.access(), QMetaMethod::Public);
                found.insert(QString::fromLatin1(m.methodSignature()),
                             QString::fromLatin1(m.typeName()));
            }
        }
        QCOMPARE(found, expected);
    }

    void neverEmittedSignalsCanBeConnected()
    {
        Core core;
        QVERIFY(connect(&core, &Core::sgReadGsBand, this, [] {}));
        QVERIFY(connect(&core, SIGNAL(sgUpDown(QString, bool)), this, SLOT(deleteLater())));
        QVERIFY(connect(&core, &Core::signal, this, [] {}));
    }

    void stateAfterConstruction()
    {
        Core core;
        const Link &link = core.deviceLink();
        const PresetSession &session = core.presetSession();
        const DeviceReadout &readout = core.deviceReadout();
        // The walks follow a 10 x 10 family until the device says otherwise.
        QCOMPARE(readout.walkBanks(), 10);
        QCOMPARE(readout.walkPresetsPerBank(), 10);
        QVERIFY(!readout.identified());
        QCOMPARE(link.headSends(), 0);
        QCOMPARE(link.batchSize(), 0);
        QVERIFY(link.queueEmpty());
        QVERIFY(!link.isOpen());
        // The discovery pace while nothing waits.
        QCOMPARE(link.answerWaitMs(), 1000);
        QVERIFY(!session.moveWaiting());
        QVERIFY(!session.edited());
        QVERIFY(session.comparing()); // editable only once a status block says so
        QVERIFY(!session.saving());
        QVERIFY(session.keptBlocks().compared().isEmpty());
        QVERIFY(!session.keptBlocks().awaitsImpulse());
        QCOMPARE(session.pasteRefusal(), QStringLiteral("Nothing copied yet"));
        QCOMPARE(session.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QVERIFY(!session.values().known());
        QCOMPARE(core.getFolderPos(), uchar(0));
        QCOMPARE(core.settingsStore().organizationName(), QStringLiteral("Ostrel Electronics"));
        QCOMPARE(core.settingsStore().applicationName(), QStringLiteral("NV-300"));
        // The answer forms follow the large family from the start.
        DeviceParts parts;
        QCOMPARE(parts.dispatcher().deviceType(), 1);
    }

    // Nothing decoded yet, and not for a store: finishing a decode previews
    // silence; a request given up on reports no bytes received with it.
    void nothingKeptAfterConstruction()
    {
        Core core;
        Link &link = core.deviceLink();
        core.presetSession().decodeStopped();
        QCOMPARE(link.queued().size(), 1);
        QVERIFY(link.head().startsWith("cc s 1\r000000"));
        link.clearQueue();
        QSignalSpy unanswered(&link, &Link::unanswered);
        link.send("gs\r\n");
        for (int i = 0; i < 4; ++i)
            link.pacingStep(); // on the closed port: three sends, then given up
        QCOMPARE(unanswered.size(), 1);
        QCOMPARE(link.unansweredReply(), QByteArray());
    }

    // The port timer runs from the start: an opened device's start-up
    // requests go out with nobody calling a pacing step.
    void portTimerRunsFromTheStart()
    {
        auto *device = new InProcessDevice;
        Core core(device, PacingClock(20));
        QVERIFY(core.openPort(QStringLiteral("/dev/in-process")));
        QVERIFY(LinkRig::waitFor([&] { return device->count("gm") == 1; }));
        QCOMPARE(device->requests().mid(0, 7), firstLines(requests::startupBurst()));
    }

    // The serial port belongs to Core: held while it lives, free once it
    // is gone.
    void portReleasedWithCore()
    {
        Pty pty;
        {
            Core core;
            QVERIFY(core.openPort(pty.slavePath()));
            SerialTransport other;
            QVERIFY(!other.open(pty.slavePath()));
            QCOMPARE(other.openFailure().kind, OpenFailure::Kind::InUse);
        }
        SerialTransport other;
        QVERIFY(other.open(pty.slavePath()));
    }

    void matchersHoldTheirForms()
    {
        const answers::Matchers matchers;
        QCOMPARE(matchers[answers::Form::Dev].templateBytes(), QByteArray("olkdev\rX\nEND\n"));
        QCOMPARE(matchers[answers::Form::Save].maskBytes(), QByteArray("11111"));
        QCOMPARE(matchers[answers::Form::Names16].maskBytes().size(), 4 + 16 * 9);
        QCOMPARE(matchers[answers::Form::Names100].maskBytes().size(), 4 + 100 * 9);
        QCOMPARE(matchers[answers::Form::Status].templateBytes().size(), 3 + 86 + 1);
    }

    void timerTickWithoutDeviceLooksForIt()
    {
        Core core;
        // No matching port on a test machine: the tick runs discovery and
        // reports nothing.
        QSignalSpy opened(&core, &Core::sgReadText);
        core.deviceLink().tick();
        QVERIFY(!core.deviceLink().isOpen());
        QCOMPARE(opened.count(), 0);
    }
};

VORTAXA_TEST_MAIN(TestCoreInterface)
#include "tst_core_interface.moc"
