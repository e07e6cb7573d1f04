// Printing results, messages and progress.
#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace cli {

QString alignedColumns(const QVector<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows)
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], row.at(i).size());
        }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row.at(i).leftJustified(widths[i] + 2) : row.at(i);
        text += line + QLatin1Char('\n');
    }
    return text;
}

Output::Output(bool quiet) : quiet(quiet), terminal(isatty(STDERR_FILENO) != 0) {}

void Output::result(const QString &text)
{
    fputs(text.toLocal8Bit().constData(), stdout);
    fflush(stdout);
}

void Output::json(const QJsonValue &document)
{
    const QJsonDocument doc =
        document.isArray() ? QJsonDocument(document.toArray()) : QJsonDocument(document.toObject());
    result(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)));
}

void Output::message(const QString &text)
{
    if (quiet)
        return;
    endProgress();
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Output::error(const QString &text)
{
    endProgress();
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Output::progress(const QString &step, double fraction)
{
    if (quiet || step.isEmpty())
        return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    // The estimate counts from the start of the work being measured: a
    // fraction that goes back starts a new one.
    if (!clock.isValid() || fraction < lastFraction)
        clock.start();
    lastFraction = fraction;
    if (!terminal) {
        // Plain lines: one per step.
        if (step != lastStep)
            fprintf(stderr, "%s\n", step.toLocal8Bit().constData());
        lastStep = step;
        return;
    }
    lastStep = step;
    const int width = 24;
    const int filled = int(fraction * width + 0.5);
    QString estimate;
    const qint64 elapsed = clock.elapsed();
    if (fraction > 0.02 && fraction < 1.0 && elapsed > 1000) {
        const int left = int(elapsed * (1.0 - fraction) / fraction / 1000.0 + 0.5);
        estimate = QStringLiteral(", about %1 s left").arg(left);
    }
    const QString line =
        QStringLiteral("[%1%2] %3% %4%5")
            .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char(' ')))
            .arg(int(fraction * 100), 3)
            .arg(step, estimate);
    fprintf(stderr, "\r\033[K%s", line.toLocal8Bit().constData());
    fflush(stderr);
    barShown = true;
}

void Output::endProgress()
{
    if (barShown)
        fputs("\n", stderr);
    barShown = false;
}

} // namespace cli
