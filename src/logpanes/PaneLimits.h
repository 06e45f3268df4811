#pragma once

#include <cstddef>

// What a log pane keeps, in a header of its own so that tavrin-check shows
// the very line the pane would.
// The newest lines a pane keeps.
constexpr size_t PANE_MAX_LINES = 100;
// Longer texts are cut for display, in UTF-16 units: a list box holds, draws
// and measures its lines whole, and a payload may be megabytes.
constexpr size_t PANE_LINE_CHARS = 4096;
