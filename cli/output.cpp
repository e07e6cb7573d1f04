// Printing results, messages and progress.
#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

Output::Output(bool quiet, bool json)
    : quiet(quiet), jsonMode(json), stderrTerminal(isatty(STDERR_FILENO) != 0)
{
}

void Output::writeOut(const QByteArray &bytes)
{
    if (outErrno != 0)
        return;
    errno = 0;
    if (fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        fflush(stdout) != 0)
        outErrno = errno ? errno : EIO;
}

void Output::result(const QString &text)
{
    if (jsonMode)
        return;
    endProgress(); // standard output may share the terminal with the bar
    writeOut(text.toLocal8Bit());
}

void Output::document(const QJsonValue &document)
{
    const QJsonDocument doc =
        document.isArray() ? QJsonDocument(document.toArray()) : QJsonDocument(document.toObject());
    endProgress();
    writeOut(doc.toJson(QJsonDocument::Indented));
}

void Output::message(const QString &text)
{
    if (quiet)
        return;
    error(text);
}

void Output::error(const QString &text)
{
    endProgress();
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Output::progress(const QString &step, double fraction)
{
    if (quiet || !stderrTerminal || step.isEmpty())
        return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    // The estimate counts from the start of the work being measured: a
    // fraction that goes back starts a new one.
    if (!clock.isValid() || fraction < lastFraction)
        clock.start();
    lastFraction = fraction;
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
        fputs("\r\033[K", stderr);
    barShown = false;
}

QString Output::outputProblem()
{
    if (outErrno == 0) {
        errno = 0;
        if (fflush(stdout) != 0 || ferror(stdout))
            outErrno = errno ? errno : EIO;
    }
    return outErrno == 0 ? QString()
                         : QStringLiteral("Standard output could not be written (%1).")
                               .arg(QString::fromLocal8Bit(strerror(outErrno)));
}

} // namespace cli
