// A repeating 2 ms timer that remembers the longest gap between its ticks:
// the longest time the event loop did not turn.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

class Heartbeat {
public:
    static constexpr int intervalMs = 2;

    Heartbeat()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(intervalMs);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        clock.start();
        last = 0;
        longest = 0;
        timer.start();
    }
    // The gap up to now counts too: a stall may last until the very end.
    double longestMs()
    {
        tick();
        return double(longest) / 1e6;
    }

private:
    void tick()
    {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
};
