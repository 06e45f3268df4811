#pragma once

#include <string>

// The identifier under which the program meets the broker. Two Tavrins on
// one broker must never share one (the broker would push each off in turn),
// so the default names the computer and the user: stable across restarts,
// distinct between PCs and between users of one PC, and readable in the
// broker's log. Only letters, digits, '-', '_' and '.' are kept; when a name
// had anything else (a Korean user name, say), a hash of the names keeps
// the identifier distinct.
std::string MakeClientId(const std::string& computer, const std::string& user);

// MakeClientId over this computer's and this user's names (UTF-8).
std::string DefaultClientId();
