// The readable log of the exchanges.
#include "cli/exchange_log.h"

#include "link/link.h"

#include <QRegularExpression>
#include <cstdio>

namespace cli {

QString readable(const QByteArray &bytes)
{
    static const QRegularExpression hexRun(QStringLiteral("[0-9a-fA-F]{48,}"));
    QString text;
    for (const char c : bytes) {
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    QString shown;
    int from = 0;
    for (auto it = hexRun.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        shown += text.mid(from, m.capturedStart() - from) +
                 QStringLiteral("[%1 hex digits]").arg(m.capturedLength());
        from = m.capturedEnd();
    }
    return shown + text.mid(from);
}

ExchangeLog::ExchangeLog(Link &link, QObject *parent) : QObject(parent)
{
    clock.start();
    connect(&link, &Link::wrote, this, &ExchangeLog::wrote);
    connect(&link, &Link::received, this, &ExchangeLog::received);
}

ExchangeLog::~ExchangeLog()
{
    flush();
}

void ExchangeLog::wrote(const QByteArray &bytes)
{
    if (request.bytes.isEmpty())
        request.ms = clock.elapsed();
    request.bytes += bytes;
    // A request ends in a line end, a long command in a lone carriage return.
    if (request.bytes.endsWith('\n') || request.bytes.endsWith('\r')) {
        ready.append(request);
        request.bytes.clear();
        printLater();
    }
}

void ExchangeLog::received(const QByteArray &bytes)
{
    if (answer.bytes.isEmpty())
        answer.ms = clock.elapsed();
    answer.bytes += bytes;
}

void ExchangeLog::printLater()
{
    if (scheduled)
        return;
    scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scheduled = false;
            printReady();
        },
        Qt::QueuedConnection);
}

void ExchangeLog::printReady()
{
    if (!answer.bytes.isEmpty())
        print("<-", answer);
    answer.bytes.clear();
    for (const Line &line : std::as_const(ready))
        print("->", line);
    ready.clear();
}

void ExchangeLog::flush()
{
    printReady();
    if (!request.bytes.isEmpty())
        print("->", request);
    request.bytes.clear();
}

void ExchangeLog::print(const char *arrow, const Line &line)
{
    fprintf(stderr, "%6lld ms %s %s\n", static_cast<long long>(line.ms), arrow,
            readable(line.bytes).toLocal8Bit().constData());
}

} // namespace cli
