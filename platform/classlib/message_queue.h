// Posted messages: a queue of messages that wait for the message loop
// before they reach a windowed control's WndProc, in the order they were
// posted. Pending messages can be taken out again before they are delivered,
// which is how code drops a request that has become pointless (a repeated
// repaint or resize request, a stale timer notification).
#pragma once

#include <cstdint>

#include "platform/classlib/messages.h"

namespace classlib {

class TWinControl;

// Queues Msg for Control; the message loop delivers it later through
// Control's WndProc (exceptions go to the application's handler). Safe to
// call from any thread. False for a null control or before the toolkit runs.
// Messages still pending for a control that is destroyed are discarded.
bool PostMessage(TWinControl* Control, uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);

// Queues the quit message (WM_QUIT with ExitCode in WParam, for no window).
// When the loop reaches it the application terminates. Any thread.
void PostQuitMessage(int ExitCode);

// Takes the oldest pending message numbered Msg for Control out of the queue
// and, when Removed is given, copies it there. The quit message belongs to no
// window, so it matches whatever control is given (and a null Control
// matches only it). True when a message was removed.
bool RemovePendingMessage(TWinControl* Control, uint32_t Msg, TMessage* Removed = nullptr);

// How many messages numbered Msg are pending for Control (null: the quit messages).
int PendingMessageCount(TWinControl* Control, uint32_t Msg);

// The exit code of the last quit message the loop reached (0 before any).
int QuitExitCode();

// Called by TWinControl's destructor: forgets the control's pending messages.
void DiscardPostedMessages(TWinControl* Control);

}  // namespace classlib
