#pragma once

// Whether a new client drains the socket in each poll (true), or makes one
// loop call per poll. Defined alone in PollVariant.cpp, so that a build can
// link its own definition in that file's place: the benchmark's program with
// one loop call per poll does.
bool DrainsEachPoll();
