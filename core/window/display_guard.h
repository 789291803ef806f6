#pragma once
// Guards the start of the application object. When no display can be opened, Qt ends the process
// with an abort and a page of plug-in advice; a tool started without a display should instead say
// so in one line and exit with code 1. While the guard is armed, Qt's messages are held; a fatal
// one (the platform could not be started) ends the process that way, and when the start succeeds
// the held messages go out as Qt would have written them.

namespace core {

class DisplayGuard {
 public:
  // `programName` must outlive the guard.
  explicit DisplayGuard(const char* programName);
  ~DisplayGuard() { Release(); }
  DisplayGuard(const DisplayGuard&) = delete;
  DisplayGuard& operator=(const DisplayGuard&) = delete;

  // The application object has started: hand the held messages on and stop watching.
  void Release();

 private:
  bool armed_ = true;
};

}  // namespace core
