// Running sox from tests.
#include "support/sox.h"

#include <QProcess>
#include <QtTest>

QByteArray sox(const QStringList &args)
{
    QProcess p;
    p.start("sox", args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QTest::qFail(qPrintable("sox " + args.join(' ') + ": " + p.errorString() + " " +
                                QString::fromLocal8Bit(p.readAllStandardError())),
                     __FILE__, __LINE__);
        return {};
    }
    return p.readAllStandardOutput();
}

bool soxAvailable()
{
    QProcess probe;
    probe.start("sox", {"--version"});
    return probe.waitForFinished(10000) && probe.exitCode() == 0;
}
