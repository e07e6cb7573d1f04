// Core's contract with the interface document: exactly the declared signals,
// slots and invokable methods, reachable by name, and the state after
// construction.
#include "support/core_access.h"
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
        CoreAccess a{core};
        QCOMPARE(a.typeDev(), uchar(1)); // the 100-slot list form is active from the start
        QCOMPARE(a.bankCount(), uchar(10));
        QCOMPARE(a.presetCount(), uchar(10));
        QCOMPARE(a.answerReceived(), uchar(0));
        QCOMPARE(a.sendCount(), uchar(0));
        QCOMPARE(a.commandTotal(), quint16(0));
        QCOMPARE(a.pendingUpDown(), uchar(0));
        QCOMPARE(a.pendingPreset(), static_cast<signed char>(-1));
        QCOMPARE(a.presetEdit(), uchar(0));
        QCOMPARE(a.editable(), uchar(0));
        QCOMPARE(a.compareArm(), uchar(0));
        QCOMPARE(a.copyStatusPending(), uchar(0));
        QCOMPARE(a.copyImpulsePending(), uchar(0));
        QCOMPARE(a.copyCut(), uchar(0));
        QCOMPARE(a.saveToFile(), uchar(0));
        QVERIFY(a.queue().isEmpty());
        QVERIFY(a.readBuffer().isEmpty());
        QVERIFY(a.folderStack().isEmpty());
        QCOMPARE(a.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QVERIFY(!a.session.values().known());

        QVERIFY(a.portTimer()->isActive());
        QCOMPARE(a.portTimer()->interval(), 1000);
        QVERIFY(!a.port()->isOpen());
        // The port is released with Core: it belongs to Core's link's transport.
        QCOMPARE(a.port()->parent()->parent()->parent(), &core);

        QCOMPARE(a.settings().organizationName(), QStringLiteral("Ostrel Electronics"));
        QCOMPARE(a.settings().applicationName(), QStringLiteral("NV-300"));
    }

    void matchersHoldTheirForms()
    {
        Core core;
        CoreAccess a{core};
        QCOMPARE(a.parser(answers::Form::Dev)->templateBytes(), QByteArray("olkdev\rX\nEND\n"));
        QCOMPARE(a.parser(answers::Form::Save)->maskBytes(), QByteArray("11111"));
        QCOMPARE(a.parser(answers::Form::Names16)->maskBytes().size(), 4 + 16 * 9);
        QCOMPARE(a.parser(answers::Form::Names100)->maskBytes().size(), 4 + 100 * 9);
        QCOMPARE(a.parser(answers::Form::Status)->templateBytes().size(), 3 + 86 + 1);
    }

    void timerTickWithoutDeviceLooksForIt()
    {
        Core core;
        CoreAccess a{core};
        // No matching port on a test machine: the tick runs discovery and
        // reports nothing.
        QSignalSpy opened(&core, &Core::sgReadText);
        a.slPortTimer();
        QVERIFY(!a.port()->isOpen());
        QCOMPARE(opened.count(), 0);
    }
};

VORTAXA_TEST_MAIN(TestCoreInterface)
#include "tst_core_interface.moc"
