// The commands: each connects to the device when it needs one (as the panel
// finds it, else the port the panel remembers), does its work through the
// back end's parts and ends the run with an exit code. Everything runs on the
// event loop; the run ends with QCoreApplication::exit(code).
#pragma once

#include "cli/options.h"
#include "cli/output.h"

#include <QObject>
#include <QTimer>
#include <QVector>
#include <functional>
#include <memory>

class Engine;
class Librarian;
class Impulses;

namespace cli {

class Commands : public QObject {
    Q_OBJECT

public:
    Commands(const Options &options, Engine &engine, Output &output);
    ~Commands() override;

    // Runs the command; the run ends with QCoreApplication::exit.
    void start();
    // Ctrl+C: a restore or backup stops between presets; anything else ends.
    void interrupt();

private:
    using Step = std::function<void()>;

    void finish(int code, const QString &message = QString());
    // Opens the device's port and waits for the start-up read to complete.
    void connectDevice(const Step &then);
    void portRefused();
    void startupRead(const Step &then);
    // Follows what the link's queue holds now to its end.
    void followQueue(const Step &then);
    void watch(); // (re)starts the silence watchdog
    bool confirm(const QString &question);

    void ports();
    void info();
    void get();
    void set();
    void save(const Step &then);
    void preset();
    void slotList();
    void backup();
    void restore();
    void exportPreset();
    void importPreset();
    void impulseLoad();
    void impulseConvert();
    void followLibrarian(const Step &onAsk);

    Options options;
    Engine &engine;
    Output &out;
    QTimer watchdog;
    Step onExchangeDone;
    std::function<void(const QString &)> onExchangeFailed;
    std::unique_ptr<Librarian> librarian;
    std::unique_ptr<Impulses> impulses;
    struct Assignment {
        QString text; // as given
        QString name;
        unsigned char value;
    };
    QVector<Assignment> assignments; // set's, checked before the device is reached
    QVector<int> written;            // presets a restore wrote
    QString longWork;                // the step a long command's progress belongs to
    bool finished = false;
    bool interrupted = false;
};

} // namespace cli
