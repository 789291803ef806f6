#pragma once
// Shared libraries loaded by path, and the path of the module that holds an address. A library,
// once opened, is kept for the life of the process by whoever opened it: its code must outlive
// every object, callback and thread of it.

#include <string>
#include <variant>

namespace platform {

struct OpenedLibrary {
  void* handle = nullptr;
};

// Why a library could not be opened: the system loader's own text.
struct LibraryFailure {
  std::string why;
};

// Opens the library at `path` with its symbols bound at once and kept local to it, so that each
// module keeps its own copy of what it links. A path that is not a regular file (a FIFO, a
// device, a folder) fails at once.
std::variant<OpenedLibrary, LibraryFailure> OpenLibrary(const std::string& path);

// The address of an exported symbol; nullptr when the library has none of that name.
void* LibrarySymbol(OpenedLibrary library, const char* name);

// Closes a library that turned out to be of no use (nothing of it was ever called).
void CloseLibrary(OpenedLibrary library);

// Absolute path of the module (library or program) containing `address`; empty when it cannot be
// found.
std::string ModulePathOf(const void* address);

}  // namespace platform
