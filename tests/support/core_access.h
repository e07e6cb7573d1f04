// Test access to Core's own state and internal steps, and through
// PartsAccess to the parts it owns. Core declares this struct its friend;
// nothing in the program uses it.
#pragma once

#include "core/core.h"
#include "support/parts_access.h"

struct CoreAccess : PartsAccess {
    Core &c;

    explicit CoreAccess(Core &core)
        : PartsAccess{*core.link, *core.session, *core.dispatcher}, c(core)
    {
    }

    // state
    QByteArray &folderStack() { return c.folderStack; }
    QByteArray &impulseData() { return c.impulseData; }
    uchar &saveToFile() { return c.saveToFile; }
    uchar *statusData() { return c.statusData; }
    QString &lastCommand() { return c.lastCommand; }
    QString &tabTarget() { return c.tabTarget; }
    QSettings &settings() { return c.settings; }

    // internal steps
    void slPortTimer() { c.slPortTimer(); }
    void slReadyRead() { c.slReadyRead(); }
    void slDecodeStop() { c.slDecodeStop(); }
    void slPortError() { c.slPortError(); }
    // The preset's edited state as the editing steps set and publish it.
    void setPresetEdited(bool on) { c.setPresetEdited(on); }
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
};
