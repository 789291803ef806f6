#pragma once
// What a page asks of its window, which lives in the host's user-interface process.

namespace pagehost {

class ViewChannel {
 public:
  // The page ends the host with `exitCode` (after its controls were released).
  virtual void Quit(int exitCode) = 0;
  virtual void Resize(int width, int height) = 0;
  virtual void Move(int x, int y) = 0;

 protected:
  ~ViewChannel() = default;
};

}  // namespace pagehost
