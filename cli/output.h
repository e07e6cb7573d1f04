// What the command line prints: results on standard output (aligned columns
// or one JSON document), messages and progress on standard error (a bar with
// the step and an estimate on a terminal, plain lines otherwise; none with
// --quiet, except errors).
#pragma once

#include <QElapsedTimer>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

// Rows of cells as aligned columns, each line ending in a newline.
QString alignedColumns(const QVector<QStringList> &rows);

class Output {
public:
    explicit Output(bool quiet);

    void result(const QString &text);
    void json(const QJsonValue &document);
    void message(const QString &text); // silenced by --quiet
    void error(const QString &text);   // always shown
    // The running step and how far it is (0 to 1).
    void progress(const QString &step, double fraction);
    // Ends a progress bar's line, if one is drawn.
    void endProgress();

private:
    bool quiet;
    bool terminal;
    bool barShown = false;
    QString lastStep;
    double lastFraction = 0;
    QElapsedTimer clock;
};

} // namespace cli
