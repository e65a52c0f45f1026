#pragma once

namespace lexiquill::widgets {

// How long a change to a list or the progress bar may wait before it reaches the
// screen. Long runs change them once per item; the screen needs it far less often.
constexpr int kDisplayRefreshMs = 40;

}  // namespace lexiquill::widgets
