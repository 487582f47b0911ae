#pragma once
// The protocol's own minimum time for what the link did, as the line
// carries it: a character sent and the pause the protocol asks for after it
// overlap (the next one goes out after the longer of the two), every byte
// received takes its wire time, but a reply that starts while the pause
// after its request's last character runs overlaps that pause (the line
// carries both ways at once), every reply ends in its silence, and the
// fixed pauses (between mode requests, after opening, the string's settle)
// come on top. Nothing the program does can take less; a ratio below 1
// would mean a skipped wait.
#include "seriallink.h"

#include <QString>

#include <algorithm>
#include <cstdio>

inline LinkCounters operator-(const LinkCounters& a, const LinkCounters& b)
{
    LinkCounters d;
    d.sendCalls = a.sendCalls - b.sendCalls;
    d.charsSent = a.charsSent - b.charsSent;
    d.bytesReceived = a.bytesReceived - b.bytesReceived;
    d.replyReads = a.replyReads - b.replyReads;
    d.bytesDrained = a.bytesDrained - b.bytesDrained;
    d.fixedWaitMs = a.fixedWaitMs - b.fixedWaitMs;
    d.overlappedMs = a.overlappedMs - b.overlappedMs;
    return d;
}

inline double ProtocolFloorMs(const LinkCounters& c, const LinkTiming& timing, int baud, const char* what)
{
    const double byteMs = 1e3 * kBitsPerByte / baud;
    const double sent = double(c.sendCalls) * std::max(double(timing.pacing.firstCharMs), byteMs)
        + double(c.charsSent - c.sendCalls) * std::max(double(timing.pacing.nextCharMs), byteMs);
    const double received = double(c.bytesReceived) * byteMs;
    const double silence = double(c.replyReads) * timing.replySilenceMs;
    const double floor = sent + received + silence + c.fixedWaitMs - c.overlappedMs;
    std::printf("%s: protocol floor %.0f ms (%lld characters sent in %lld calls %.0f ms, %lld bytes received "
                "%.0f ms, of which %.0f ms during pauses, reply silences %.0f ms over %lld reads, fixed "
                "pauses %.0f ms)\n",
                what, floor, c.charsSent, c.sendCalls, sent, c.bytesReceived, received, c.overlappedMs, silence,
                c.replyReads, c.fixedWaitMs);
    return floor;
}
