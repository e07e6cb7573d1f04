// Core: the back end as the interface document sees it (`_core`): the
// invokable methods it calls and the signals it listens to. Core owns the
// parts that hold the state (the link, the answer dispatcher, the device
// readout, the preset session), forwards its calls to them and publishes
// their events as its signals.
//
// The class is declared once, here; its member functions live in the folder
// of their subsystem (editing/, impulse/, core/).
#pragma once

#include "base/panel_settings.h"
#include "core/device_parts.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

class Transport;
class WebPageOpener;
struct CoreAccess;

class Core : public QObject {
    Q_OBJECT

public:
    explicit Core(QObject *parent = nullptr);
    // On `transport` instead of the serial port, pacing and waiting on
    // `clock` (tests, which run the device in-process and faster).
    Core(Transport *transport, PacingClock clock, QObject *parent = nullptr);
    ~Core() override;

signals:
    // Declared for the interface; never emitted.
    void sgReadGsBand(uint Band1, uint Band2, uint Band3, uint Band4, uint Band5);
    void sgReadVol(uint Vol);
    void sgReadEqOn(uint EqOn);
    void sgReadCabOn(uint CabOn);
    void sgReadEarRefOn(uint EarRefOn);
    void sgReadFreq(int F1, int F2, int F3, int F4, int F5);
    void sgReadQ(int Q1, int Q2, int Q3, int Q4, int Q5);
    void sgReadLPF(uint Vol, uint On);
    void sgReadHPF(uint Vol, uint On);
    void sgReadPresence(uint Vol, uint On);
    void signal();

    void sgSetImpulsName(QString val);
    void sgSetEnabled(bool val);
    void sgSetProgress(float val);
    void sgReadMode(uint mode);
    void sgReadName(uint name);
    void sgReadEarlyType(uint type); // never emitted
    void sgReadEarlyVal(uint val);   // never emitted
    void sgSetEdit(bool setEdit);
    void sgSetWait(bool wait);
    void sgPresetUpDownStage1(uchar inChangePreset);
    void sgPresetChangeStage1(uchar inChangePreset);
    void sgEndCommands();
    void sgNotSupport();
    void sgRequestConvert(QString filePath);
    void sgPortOpen(bool val, QString portName);
    void sgColorOpen();
    void sgSetColorFileName(QString foneColor);
    void sgReadValue(QString nameParam, int value);
    void sgReadText(QString nameParam, QString value);
    void sgAnswerErrSave(QString strCom);
    void sgUpDown(QString controlName, bool up); // never emitted

private slots:
    void slPortTimer();
    void slPortTimer_Delme();
    void slReadyRead();
    void slAskEn();
    void slDecodeStop();
    void slPortError();

public:
    // impulse/: WAV decoding and upload
    Q_INVOKABLE void decodeWavOk(QString filePath, bool saveToFile);

    // link/: command queue and direct writes
    Q_INVOKABLE void send(QByteArray command);
    Q_INVOKABLE void sendRaw(QByteArray bytes);
    Q_INVOKABLE void sendEdit(QByteArray bytes);

    // impulse/
    Q_INVOKABLE void setImpuls(QString filePath, QString fileName);
    Q_INVOKABLE void setImpuls(QString fullFilePath);

    // link/: port discovery and pacing
    Q_INVOKABLE bool openPort(QString name);
    Q_INVOKABLE void findPort();
    Q_INVOKABLE void slTimer();

    // impulse/: saving
    Q_INVOKABLE void slSaveUpDown(uchar upDown);

    // editing/: compare, escape
    Q_INVOKABLE void slCompare();
    Q_INVOKABLE void slEsc();
    Q_INVOKABLE void slEscImpuls();

    // core/: folder position stack
    Q_INVOKABLE void setFolderPos(uchar pos);
    Q_INVOKABLE uchar getFolderPos();

    // link/: start-up request burst
    Q_INVOKABLE void readAll();

    // editing/: copy and paste
    Q_INVOKABLE void slCopy();
    Q_INVOKABLE void slPaste();

    // core/: web pages and settings
    Q_INVOKABLE void slOpenUrl1();
    Q_INVOKABLE void slOpenUrl2();
    Q_INVOKABLE QStringList getDrivers();
    Q_INVOKABLE QString getLastPath();
    Q_INVOKABLE void setLastPath(QString path);
    Q_INVOKABLE QString getSkinsPath();
    Q_INVOKABLE void setSkinsPath(QString path);
    Q_INVOKABLE bool getAlternativeSkins();
    Q_INVOKABLE void setAlternativeSkins(bool on);
    Q_INVOKABLE void colorOpen();
    Q_INVOKABLE void setColorFileName(QString color);
    Q_INVOKABLE QString getColorFileName();

    // editing/: answer and keyboard helpers
    Q_INVOKABLE void slAnswerErrSave(QString path);
    Q_INVOKABLE void slTabKey(bool revert);
    // The control the last Tab key moved the focus to (empty before any).
    QString tabTarget() const { return tabTargetName; }
    Q_INVOKABLE void slUpDown(bool up);
    Q_INVOKABLE void slSpeechValue(QString text);

    // editing/: the one named-value entry point
    Q_INVOKABLE void setValue(QString name, uchar value);

    // The parts Core speaks for, handed to the objects published beside it
    // (for C++ only; the document sees Core's own interface).
    Link &deviceLink() { return parts->link(); }
    PresetSession &presetSession() { return parts->session(); }
    DeviceReadout &deviceReadout() { return parts->readout(); }
    AnswerDispatcher &answerDispatcher() { return parts->dispatcher(); }
    QSettings &settingsStore() { return settings; }
    WebPageOpener &webPageOpener() { return *webOpener; }

private:
    friend struct CoreAccess; // tests reach the state through it

    // ---- what Core does on its link's events (core/core_link.cpp) --------
    void connectLink();
    void portOpened(const QString &shownName);
    void portClosedAfterError();
    void queueIdle();
    void headSent(float progress);

    // ---- what the session's events publish (core/core_session.cpp) --------
    void connectSession();

    // ---- what the answers read publish (core/core_publish.cpp) -----------
    void connectReadout();
    // A status block shown: the editable state, then every value under its
    // names, as the session holds it.
    void publishStatus();

    // ---- state, in declaration order ------------------------------------
    QByteArray folderStack;
    QSettings settings{panelSettings::organisation(), panelSettings::application()};
    QString tabTargetName;
    // The parts Core speaks for (core/device_parts.h), each the owner of its
    // state: the port, the port timer, the command queue and its pacing
    // (link/); the preset as the panel edits it: edited, comparing, kept
    // blocks, the pending impulse, the waiting move and the save (editing/);
    // what the device said, and the answer forms that read it (parsing/).
    std::unique_ptr<DeviceParts> parts;
    WebPageOpener *webOpener = nullptr;
};
