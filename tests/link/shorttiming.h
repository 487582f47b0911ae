#pragma once
#include "seriallink.h"

// Shorter times for the link in tests: the same exchanges, less waiting.
// The protocol's own times are checked where they are the point (the
// primitives' pacing, silence and bound tests, the benchmarks).

// Behind the in-memory port, whose replies come on the next pass of the
// event loop: every wait a tenth or less.
inline LinkTiming InMemoryLinkTiming()
{
    LinkTiming t;
    t.pacing = {0, 0};
    t.busyRetryMs = 20;
    t.replySilenceMs = 5;
    t.replyBoundMs = 200;
    t.modeRetryPauseMs = 2;
    t.optionReplyTimeoutMs = 100;
    t.openSettleMs = 1;
    t.stringSettleMs = 3;
    return t;
}

// With kv310-sim on a pseudo-terminal, another process that the machine
// may keep waiting: unpaced sends and shorter bounds, the reply silence
// as the protocol has it.
inline LinkTiming PtyLinkTiming()
{
    LinkTiming t;
    t.pacing = {0, 0};
    t.replyBoundMs = 700;
    t.optionReplyTimeoutMs = 300;
    return t;
}
