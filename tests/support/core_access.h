// Test access to Core's state and internal steps. Core declares this struct
// its friend; nothing in the program uses it.
#pragma once

#include "core/core.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/paced_writer.h"
#include "parsing/parser.h"

#include <QSerialPort>
#include <QTimer>

struct CoreAccess {
    Core &c;

    // state
    uchar &typeDev() { return c.typeDev; }
    QByteArray &lastErrCommand() { return c.link->lastErrCommand; }
    QByteArray &lastErrAnswer() { return c.link->lastErrAnswer; }
    QByteArray &readBuffer() { return c.link->readBuffer; }
    uchar &answerReceived() { return c.link->answerReceived; }
    uchar &sendCount() { return c.link->sendCount; }
    uchar &bankCount() { return c.bankCount; }
    uchar &presetCount() { return c.presetCount; }
    QByteArray &folderStack() { return c.folderStack; }
    uchar &pendingUpDown() { return c.session->pendingUpDown; }
    signed char &pendingPreset() { return c.session->pendingPreset; }
    uchar &presetEdit() { return c.session->presetEdit; }
    QTimer *portTimer() { return c.link->portTimer; }
    QList<QByteArray> &parseValues() { return c.parseValues; }
    QList<QByteArray> &queue() { return c.link->queue; }
    quint16 &commandTotal() { return c.link->commandTotal; }
    uchar &editable() { return c.session->editable; }
    QByteArray &impulseData() { return c.impulseData; }
    uchar &saveToFile() { return c.saveToFile; }
    QSerialPort *port() { return c.link->serial; }
    uchar *statusData() { return c.statusData; }
    QString &lastCommand() { return c.lastCommand; }
    QString &tabTarget() { return c.tabTarget; }
    QSettings &settings() { return c.settings; }
    PacedWriter *pacer() { return c.link->pacer; }
    QList<QByteArray> &heldWrites() { return c.link->heldWrites; }
    // What compare and copy keep (editing/kept_blocks.h).
    KeptBlocks &kept() { return c.session->kept; }
    uchar &compareArm() { return c.session->kept.compareArm; }
    QByteArray &compareStatus() { return c.session->kept.compareStatus; }
    QByteArray &copyStatus() { return c.session->kept.copyStatus; }
    uchar &copyStatusPending() { return c.session->kept.copyStatusPending; }
    uchar &copyImpulsePending() { return c.session->kept.copyImpulsePending; }
    uchar &copyCut() { return c.session->kept.copyCut; }
    QByteArray &copyImpulseName() { return c.session->kept.copyImpulseName; }
    QByteArray &copyImpulseData() { return c.session->kept.copyImpulseData; }
    QString &copyImpulseFileName() { return c.session->kept.copyImpulseFileName; }
    QString &copyImpulsePath() { return c.session->kept.copyImpulsePath; }

    // The current preset's pending impulse (impulse/pending_impulse.h).
    PendingImpulse &pendingImpulse() { return c.session->pending; }
    // A file loaded for the current preset, on a preset without other edits.
    void loadFile(const QString &name, const QString &path)
    {
        c.session->pending.load(name, path, false);
    }
    // The pending file's name and path; empty when no file is pending.
    QString pendingFileName() const
    {
        return c.session->pending.source() == PendingImpulse::Source::File
                   ? QString::fromUtf8(c.session->pending.name())
                   : QString();
    }
    QString pendingFilePath() const
    {
        return c.session->pending.source() == PendingImpulse::Source::File
                   ? c.session->pending.path()
                   : QString();
    }

    // A long command is going out in pieces.
    bool sending() const { return c.link->pacer->busy(); }

    // the answer matchers: one by its form, or all in catalogue order
    Parser *parser(answers::Form form) { return &c.matchers[form]; }
    QList<Parser *> parsers()
    {
        QList<Parser *> all;
        for (const answers::FormSpec &spec : answers::catalogue())
            all.append(parser(spec.form));
        return all;
    }

    // internal steps
    void slPortTimer() { c.slPortTimer(); }
    void slReadyRead() { c.slReadyRead(); }
    void slDecodeStop() { c.slDecodeStop(); }
    void slPortError() { c.slPortError(); }
    // The preset's edited state as the editing steps set and publish it.
    void setPresetEdited(bool on) { c.setPresetEdited(on); }
    void drain() { c.link->drain(); }
    void requestUpDown(uchar code) { c.requestUpDown(code); }
    void requestPresetChange(uchar preset) { c.requestPresetChange(preset); }
    void runUpDown(uchar code) { c.runUpDown(code); }
    void bankStep(uchar d) { c.bankStep(d); }
    void presetStep(uchar d) { c.presetStep(d); }
    void selectPreset(uchar n) { c.selectPreset(n); }
    void decodeWav(const QString &path, bool store) { c.decodeWav(path, store); }
    WavHeader readWavHeader(const QString &path) { return c.readWavHeader(path); }
    QByteArray convertWavData(const QByteArray &d, uchar bps, uchar ch)
    {
        return c.convertWavData(d, bps, ch);
    }
    QByteArray convertSample(const QByteArray &s, uchar bps) { return c.convertSample(s, bps); }
    static QByteArray intToBytes(qint32 v) { return Core::intToBytes(v); }
    void saveChangeSequence(uchar n) { c.saveChangeSequence(n); }

    // Leaves received bytes unread in the port, as if they had arrived after
    // the dispatcher last ran: for testing the paths that discard them.
    void holdReads()
    {
        QObject::disconnect(c.link->serial, &QSerialPort::readyRead, c.link, nullptr);
    }

    // Stops the port timer so that a test drives every pacing step itself.
    // Setting the interval of a stopped timer does not start it again.
    void holdTimer() { c.link->portTimer->stop(); }

    // Offers one received chunk to the answer forms, as a port read does.
    void dispatch(const QByteArray &chunk) { c.dispatch(chunk); }
};
