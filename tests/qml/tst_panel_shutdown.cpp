// The panel document at the edges of a run, as the application runs it: a
// port given with --port is opened by the port chooser and retried every two
// seconds while it stays closed; at the end the chooser and Core are
// destroyed before the engine and the document, and nothing calls into them
// after the event loop has ended.
#include "browser/impulses.h"
#include "core/core.h"
#include "panel/preset_names.h"
#include "parameter_model/parameter_model.h"
#include "ports/port_chooser.h"
#include "support/signal_recorder.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

const char *const missingPort = "/nonexistent/vortaxa-test-port";

QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings.append(message);
    if (previousHandler)
        previousHandler(type, context, message);
}

int openAttempts(const SignalRecorder &recorder)
{
    int n = 0;
    for (const QVariantList &args : recorder.of("sgReadText"))
        if (args.value(0).toString() == "close_port" && args.value(1).toString() == missingPort)
            ++n;
    return n;
}

} // namespace

class TestPanelShutdown : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        warnings.clear();
        previousHandler = qInstallMessageHandler(recordWarning);
    }

    void cleanup() { qInstallMessageHandler(previousHandler); }

    void givenPortRetriedThenCoreGoesFirst()
    {
        PresetNames presetNames; // outlives the engine
        auto engine = std::make_unique<QQmlApplicationEngine>();
        auto core = std::make_unique<Core>();
        auto impulses = std::make_unique<Impulses>(core->deviceLink(), core->presetSession(),
                                                   core->settingsStore());
        auto parameters =
            std::make_unique<ParameterModel>(core->presetSession(), core->deviceReadout());
        SignalRecorder recorder(core.get());
        auto ports = std::make_unique<PortChooser>(core->deviceLink(), core->settingsStore(),
                                                   QString(missingPort));
        engine->rootContext()->setContextProperty("_core", core.get());
        engine->rootContext()->setContextProperty("_impulses", impulses.get());
        engine->rootContext()->setContextProperty("_parameters", parameters.get());
        engine->rootContext()->setContextProperty("_ports", ports.get());
        engine->rootContext()->setContextProperty("_presetNames", &presetNames);
        engine->rootContext()->setContextProperty("applicationDirPath", QString(PANEL_ROOT_DIR));
        engine->load(QUrl::fromLocalFile(PANEL_ROOT_DIR "/flat/main.qml"));
        QCOMPARE(engine->rootObjects().size(), 1);

        // Opened at once, then again every two seconds while it fails.
        QTRY_COMPARE_WITH_TIMEOUT(openAttempts(recorder), 1, 500);
        QTRY_COMPARE_WITH_TIMEOUT(openAttempts(recorder), 2, 2600);

        // The application's end: the event loop returns, the chooser and Core
        // go, then the engine. A retry would show up meanwhile if anything
        // kept calling into the back end.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        qApp->exec();
        const int attempts = openAttempts(recorder);
        ports.reset();
        impulses.reset();
        parameters.reset();
        core.reset();
        QTest::qWait(2500);
        engine.reset();
        QCOMPARE(attempts, 2);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }
};

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    app.setOrganizationName("OLK");
    app.setApplicationName("Vortaxa");
    TestPanelShutdown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_panel_shutdown.moc"
