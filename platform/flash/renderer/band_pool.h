// A small pool of threads, started once, that runs the bands of a frame side by side.
#pragma once

#include <functional>

namespace flash {

// Threads that may draw bands at once, the calling thread included: the machine's cores, at
// most 16, or LUMICAST_RENDER_THREADS when that is set (1 draws every frame on the caller).
int RenderThreads();

// Calls `band(i)` for every i in [0, count), on the pool's threads and the caller's, and returns
// when all are done. The bands are handed out one at a time, so a band must not wait for another.
// One caller uses the pool at a time; a second one meanwhile runs its bands one after the other
// on its own thread. The first exception a band throws passes on to the caller once every band
// has ended.
void RunBands(int count, const std::function<void(int)>& band);

}  // namespace flash
