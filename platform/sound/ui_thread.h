// Letting the user-interface thread's pending messages run from the sound
// layer's callers, which do not see the toolkit.
#pragma once

namespace sound {

// True on the thread that runs the application's message loop.
bool OnUiThread();
// On the user-interface thread: handles the pending messages and returns
// true. On any other thread: does nothing and returns false.
bool PumpUiMessages();

}  // namespace sound
