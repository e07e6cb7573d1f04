// The floor a pseudo-terminal sets on any round trip: bytes written on one
// side, read and written straight back by another process on the other side,
// read again. Nothing but the kernel and two wake-ups in between.
#pragma once

#include <vector>

// `count` round trips of `bytes` bytes each, in microseconds; empty when no
// pty or process could be had.
std::vector<double> ptyEchoRoundTrips(int count, int bytes = 4);
