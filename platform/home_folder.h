#pragma once
// The user's home folder, where per-user files go that the user should find.

#include <string>

namespace platform {

// $HOME when it is an absolute path, else the password database's entry for this user; empty
// when neither names one.
std::string HomeFolder();

}  // namespace platform
