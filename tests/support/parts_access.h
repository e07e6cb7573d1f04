// Test access to the state of the parts behind Core: the link's queue and
// counters, the session's flags and kept blocks, the dispatcher's matchers
// and device type, and the session's internal steps. The parts declare this struct their friend;
// nothing in the program uses it. Tests of a part without Core build it from the parts.
#pragma once

#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "link/paced_writer.h"
#include "link/serial_transport.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"

#include <QSerialPort>
#include <QTimer>

struct PartsAccess {
    Link &link;
    PresetSession &session;
    AnswerDispatcher &dispatcher;

    // the dispatcher
    uchar &typeDev() { return dispatcher.typeDev; }
    // the family walks follow (the readout's)
    uchar &bankCount() { return dispatcher.readout.walkBankCount; }
    uchar &presetCount() { return dispatcher.readout.walkPresetCount; }
    QList<QByteArray> &parseValues() { return dispatcher.parseValues; }
    // the answer matchers: one by its form, or all in catalogue order
    Parser *parser(answers::Form form) { return &dispatcher.matchers[form]; }
    QList<Parser *> parsers()
    {
        QList<Parser *> all;
        for (const answers::FormSpec &spec : answers::catalogue())
            all.append(parser(spec.form));
        return all;
    }
    // Offers one received chunk to the answer forms, as a port read does.
    void dispatch(const QByteArray &chunk) { dispatcher.dispatch(chunk); }

    // the link
    QByteArray &lastErrCommand() { return link.lastErrCommand; }
    QByteArray &readBuffer() { return link.readBuffer; }
    uchar &answerReceived() { return link.answerReceived; }
    uchar &sendCount() { return link.sendCount; }
    QTimer *portTimer() { return link.portTimer; }
    QList<QByteArray> &queue() { return link.queue; }
    quint16 &commandTotal() { return link.commandTotal; }
    // The serial port of a link on the product's transport.
    QSerialPort *port()
    {
        auto *serial = qobject_cast<SerialTransport *>(link.transport);
        return serial ? &serial->serialPort() : nullptr;
    }
    PacedWriter *pacer() { return link.pacer; }
    // A long command is going out in pieces.
    bool sending() const { return link.pacer->busy(); }
    // Leaves received bytes unread in the port, as if they had arrived after
    // the dispatcher last ran: for testing the paths that discard them.
    void holdReads() { QObject::disconnect(link.transport, &Transport::readyRead, &link, nullptr); }
    // Stops the port timer so that a test drives every pacing step itself.
    // Setting the interval of a stopped timer does not start it again.
    void holdTimer() { link.portTimer->stop(); }

    // the session
    QByteArray &impulseData() { return session.impulseData; }
    uchar &saveToFile() { return session.saveToFile; }
    // Its internal steps.
    void setPresetEdited(bool on) { session.markEdited(on); }
    void requestStep(uchar code) { session.requestStep(code); }
    void requestJump(uchar preset) { session.requestJump(preset); }
    void stepNow(uchar code) { session.stepNow(code); }
    void bankStep(uchar d) { session.bankStep(d); }
    void presetStep(uchar d) { session.presetStep(d); }
    void selectPreset(uchar n) { session.jumpNow(n); }
    void decodeWav(const QString &path, bool store) { session.decodeWav(path, store); }
    void saveThenJump(uchar n) { session.saveThenJump(n); }
    // The sample conversion the decode uses.
    static QByteArray convertWavData(const QByteArray &d, uchar bps, uchar ch)
    {
        return wav::convertData(d.constData(), d.size(), bps, ch);
    }
    static QByteArray convertSample(const QByteArray &s, uchar bps)
    {
        return wav::convertSample(s.constData(), s.size(), bps);
    }
    static QByteArray intToBytes(qint32 v) { return wav::intToBytes(v); }
    uchar &pendingUpDown() { return session.pendingUpDown; }
    signed char &pendingPreset() { return session.pendingPreset; }
    uchar &presetEdit() { return session.presetEdit; }
    uchar &editable() { return session.editable; }
    // What compare and copy keep (editing/kept_blocks.h).
    KeptBlocks &kept() { return session.kept; }
    uchar &compareArm() { return session.kept.compareArm; }
    QByteArray &compareStatus() { return session.kept.compareStatus; }
    QByteArray &copyStatus() { return session.kept.copyStatus; }
    uchar &copyStatusPending() { return session.kept.copyStatusPending; }
    uchar &copyImpulsePending() { return session.kept.copyImpulsePending; }
    uchar &copyCut() { return session.kept.copyCut; }
    QByteArray &copyImpulseName() { return session.kept.copyImpulseName; }
    QByteArray &copyImpulseData() { return session.kept.copyImpulseData; }
    QString &copyImpulseFileName() { return session.kept.copyImpulseFileName; }
    QString &copyImpulsePath() { return session.kept.copyImpulsePath; }
    // The current preset's pending impulse (impulse/pending_impulse.h).
    PendingImpulse &pendingImpulse() { return session.pending; }
    // A file loaded for the current preset, on a preset without other edits.
    void loadFile(const QString &name, const QString &path)
    {
        session.pending.load(name, path, false);
    }
    // The pending file's name and path; empty when no file is pending.
    QString pendingFileName() const
    {
        return session.pending.source() == PendingImpulse::Source::File
                   ? QString::fromUtf8(session.pending.name())
                   : QString();
    }
    QString pendingFilePath() const
    {
        return session.pending.source() == PendingImpulse::Source::File ? session.pending.path()
                                                                        : QString();
    }
};
