// --verbose: the exchanges with the device on standard error, readably. One
// line per request going out ("->") and per answer coming back ("<-"), with
// the milliseconds since the command started; carriage returns and line feeds
// are shown as \r and \n, and long runs of hexadecimal digits (status
// blocks, impulses) by their length. The pieces of a long command, and the
// pieces answers arrive in until the next request, are joined into one line.
//
// An answer is handed on before the log hears of it, so the request it sets
// off is written first; requests are therefore printed once the event that
// wrote them is over, after the answer that came with it.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>

class Link;

namespace cli {

// `bytes` as one readable line.
QString readable(const QByteArray &bytes);

class ExchangeLog : public QObject {
    Q_OBJECT

public:
    explicit ExchangeLog(Link &link, QObject *parent = nullptr);
    ~ExchangeLog() override;

    // Prints what is still gathered.
    void flush();

private:
    struct Line {
        qint64 ms;
        QByteArray bytes;
    };
    void wrote(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    void printLater();
    void printReady();
    static void print(const char *arrow, const Line &line);

    QElapsedTimer clock;
    Line answer{0, {}};  // what came back since the last request was printed
    Line request{0, {}}; // a request still going out (a long command's pieces)
    QVector<Line> ready; // requests gone out, not printed yet
    bool scheduled = false;
};

} // namespace cli
