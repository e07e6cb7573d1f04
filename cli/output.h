// What the command line prints: results on standard output (aligned columns
// with a header, or with --json one JSON document), messages and progress on
// standard error (a bar with the step and an estimate, on a terminal only;
// none with --quiet, except errors). A failed write to standard output (a
// full disk, a closed pipe) is remembered, so that the run can end with it.
#pragma once

#include <QElapsedTimer>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

// Rows of cells as aligned columns, each line ending in a newline and
// none in a space.
QString alignedColumns(const QVector<QStringList> &rows);

class Output {
public:
    Output(bool quiet, bool json);

    bool json() const { return jsonMode; }
    // Standard error is a terminal: progress and questions go there.
    bool terminal() const { return stderrTerminal; }

    // Text results; left out with --json, where the document says it all.
    void result(const QString &text);
    // The run's one JSON document.
    void document(const QJsonValue &document);
    void message(const QString &text); // silenced by --quiet
    void error(const QString &text);   // always shown
    // The running step and how far it is (0 to 1); shown on a terminal only.
    void progress(const QString &step, double fraction);
    // Ends a progress bar's line, if one is drawn.
    void endProgress();
    // Why standard output did not take everything written to it; empty
    // when it did.
    QString outputProblem();

private:
    void writeOut(const QByteArray &bytes);

    bool quiet;
    bool jsonMode;
    bool stderrTerminal;
    bool barShown = false;
    int outErrno = 0;
    double lastFraction = 0;
    QElapsedTimer clock;
};

} // namespace cli
