#pragma once
// The errors the original's file objects raise, with their texts, and the mapping from the
// system's error codes onto them.

#include <cstdint>

#include "automation/error.h"

namespace hostobjects {

inline constexpr std::int32_t kErrBadArgument = 5;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrBadFileMode = 54;
inline constexpr std::int32_t kErrFileExists = 58;
inline constexpr std::int32_t kErrPastEnd = 62;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrPathAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;
inline constexpr std::int32_t kErrKeyExists = 457;
inline constexpr std::int32_t kErrElementNotFound = 32811;

// An error with the original's text for these numbers.
automation::Error FileError(std::int32_t number);

// The error for a failed system call on a file (a missing name is 53) or on a folder or a path
// through folders (a missing name is 76).
enum class Subject { File, Folder };
automation::Error SystemFileError(int systemError, Subject subject);

}  // namespace hostobjects
