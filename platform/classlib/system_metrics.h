// Fixed system metrics of the window system the controls are drawn for:
// scroll-bar thickness, arrow and thumb sizes, border and edge widths, and
// the screen size.
#pragma once

namespace classlib {

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,  // width of a vertical scroll bar
  SM_CYHSCROLL = 3,  // height of a horizontal scroll bar
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CYVTHUMB = 9,    // thumb height of a vertical bar
  SM_CXHTHUMB = 10,   // thumb width of a horizontal bar
  SM_CYVSCROLL = 20,  // arrow height of a vertical bar
  SM_CXHSCROLL = 21,  // arrow width of a horizontal bar
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
};

// Scroll bars are this thick; their arrows and thumbs are as long as the bar
// is thick.
inline constexpr int kScrollBarThickness = 17;

// The metric's value; 0 for metrics this layer does not know.
int GetSystemMetrics(int Index);

}  // namespace classlib
