// PacingClock: the time the link paces and waits by. Every interval the link
// and its paced writer set (the answer waits, the discovery tick, the pause
// after a piece, the stall limit) passes through it; the product's clock is
// real time, a test's may run it faster so that a long store needs no real
// pauses. Only the lengths change, never the order of anything.
#pragma once

class PacingClock {
public:
    // `speedUp`: how many times faster than real time (1: real time).
    explicit PacingClock(int speedUp = 1) : factor(speedUp < 1 ? 1 : speedUp) {}

    // The timer interval that stands for `ms` of link time.
    int interval(int ms) const { return ms / factor; }
    int speedUp() const { return factor; }

private:
    int factor;
};
