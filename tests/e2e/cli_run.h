// Running vortaxa-cli in tests: the command as its own process (standard
// input not a terminal), its output parsed back, the files the tests hand
// it, and the rig of a small virtual device both command-line test files
// start for every test.
#pragma once

#include "library/preset_file.h"
#include "session.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace e2e {

constexpr int smallType = 2; // 4 banks of 4 presets, 16 impulse slots

struct Run {
    int code = -1; // -1: it did not end in time; -2: it crashed
    QByteArray out;
    QByteArray err;
};

// Runs vortaxa-cli with `args`. `config` (if given) is the settings
// folder, so the remembered port can be set.
Run cli(const QStringList &args, const QString &config = QString(),
        const QString &workingFolder = QString());
// Starts vortaxa-cli without waiting; `until` is waited for in its standard
// error (with --verbose, the exchanges). False when it ended first.
bool startCli(QProcess &p, const QStringList &args, QByteArray *err,
              const std::function<bool(const QByteArray &)> &until);
QString describe(const Run &r);

// The requests among `requests` that change what the device stores or
// plays; and those that move it or change it.
int writes(const QList<QByteArray> &requests);
int movesOrWrites(const QList<QByteArray> &requests);
int statusByte(const QByteArray &status, const char *name);

// What a path is now: "file", "fifo", "device", "folder", "none".
QString kindOf(const QString &path);
QByteArray contents(const QString &path);
// A quarter second of 44.1 kHz, 16-bit mono: converted on load.
QByteArray impulseWav();
// The device's presets as the librarian's file, or only the one at `only`.
library::PresetFile fileOf(const DeviceStore &store, int type, int only = -1);

// A 4 x 4 virtual device for one test, and a folder for its files.
struct CliRig {
    std::unique_ptr<Session> session;
    QTemporaryDir files;

    bool start(int seed = 29, const QStringList &faults = {});
    void stop();
    // `args` on the device's port.
    QStringList on(const QStringList &args) const;
    DeviceStore store() const { return session->store(); }
};

} // namespace e2e
