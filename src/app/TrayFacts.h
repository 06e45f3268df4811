#pragma once

#include <cstddef>

// The notification-area icon's facts in one place: the INI settings of its
// balloons with their defaults, and the timings that keep it calm. The
// window reads the settings; the tray state and the tests use the rest.
namespace Tray
{
// The INI section and its keys, with the defaults written back when missing.
constexpr const char SECTION[] = "Notifications";
// 1: balloons for a link down past the grace, a link back and a new call.
constexpr const char KEY_BALLOONS[] = "balloons";
constexpr int DEFAULT_BALLOONS = 0;
// A broker restart shorter than this passes without a balloon.
constexpr const char KEY_DOWN_GRACE_SEC[] = "down-grace-sec";
constexpr int DEFAULT_DOWN_GRACE_SEC = 60;

// A link that is back within this shows no change at all: a reconnect that
// succeeds at once does not make the icon flicker.
constexpr int DOWN_SHOWN_AFTER_MS = 500;
// The tip is sent to the shell at most this often; a change of the icon
// goes at once.
constexpr int TIP_REFRESH_MS = 1000;
// At most one balloon of a kind within this: a burst of calls, or a link
// that comes and goes, gives one.
constexpr int BALLOON_GAP_MS = 60000;

// The shell's limits, in UTF-16 units without the terminating NUL.
constexpr size_t TIP_MAX_CHARS = 127;
constexpr size_t BALLOON_TITLE_MAX_CHARS = 63;
constexpr size_t BALLOON_TEXT_MAX_CHARS = 255;
}
