#pragma once
// The protocol's own minimum time for what the link did: every byte on the
// wire at the baud rate, the mandated pacing after each character, the
// silence that ends each reply, and the fixed pauses.
#include "seriallink.h"

#include <cstdio>

inline double ProtocolFloorMs(const LinkCounters& c, const LinkTiming& timing, int baud, const char* what)
{
    constexpr double kBitsPerByte = 10;
    const double byteMs = 1e3 * kBitsPerByte / baud;
    const double wire = double(c.charsSent + c.bytesReceived) * byteMs;
    const double pacing = double(c.sendCalls) * timing.pacing.firstCharMs
        + double(c.charsSent - c.sendCalls) * timing.pacing.nextCharMs;
    const double silence = double(c.replyReads) * timing.replySilenceMs;
    const double floor = wire + pacing + silence + c.fixedWaitMs;
    std::printf("%s: protocol floor %.0f ms (wire %.0f ms for %lld bytes out, %lld in; pacing %.0f ms "
                "over %lld sends; reply silences %.0f ms over %lld reads; fixed pauses %.0f ms)\n",
                what, floor, wire, c.charsSent, c.bytesReceived, pacing, c.sendCalls, silence, c.replyReads,
                c.fixedWaitMs);
    return floor;
}
