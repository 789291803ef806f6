#pragma once
// Window messages: how the transports (socket endpoints, the serial receive thread) tell the main
// window that something happened. A message is posted from any thread and delivered in order on
// the user-interface thread. The window binds this interface to its toolkit's event loop; tests
// use InProcessMessageQueue, which needs no window system.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace platform {

struct WindowMessage {
  unsigned number = 0;
  std::uintptr_t first = 0;  // wParam: the sending endpoint or port block, or 0
  std::intptr_t second = 0;  // lParam
};

inline bool operator==(const WindowMessage& a, const WindowMessage& b) {
  return a.number == b.number && a.first == b.first && a.second == b.second;
}

// The posting side, all a transport needs. Post may be called from any thread.
class MessagePoster {
 public:
  virtual ~MessagePoster() = default;
  virtual void Post(const WindowMessage& message) = 0;
};

// The window's side of the queue. Everything but Post runs on the user-interface thread.
class MessageQueue : public MessagePoster {
 public:
  using Handler = std::function<void(const WindowMessage&)>;

  // The window's message handler; messages posted before it is set wait for it.
  virtual void SetHandler(Handler handler) = 0;

  // Delivers every message waiting (with the toolkit, every pending event), then returns. While
  // the queue is held, the program's own messages stay queued.
  virtual void PumpMessages() = 0;

  // A hold keeps the program's own posted messages queued; they are delivered in order once the
  // last hold is released. Blocking socket waits hold the queue so that no handler is re-entered.
  virtual void Hold() = 0;
  virtual void Release() = 0;

  // Runs only repaints: what a blocking wait lets through while it waits.
  virtual void ProcessRepaints() = 0;
};

// Holds a queue for the life of the object.
class MessageHold {
 public:
  explicit MessageHold(MessageQueue& queue) : queue_(queue) { queue_.Hold(); }
  ~MessageHold() { queue_.Release(); }
  MessageHold(const MessageHold&) = delete;
  MessageHold& operator=(const MessageHold&) = delete;

 private:
  MessageQueue& queue_;
};

// The ordered store behind both queue bindings: posted messages, the hold count and a wake-up
// for whoever waits for the next message. Thread-safe.
class PostedMessages {
 public:
  // Appends a message; returns true when the queue was empty before (the caller may need to
  // wake the user-interface thread).
  bool Push(const WindowMessage& message);

  // Takes the oldest message unless the queue is held or empty.
  bool TakeNext(WindowMessage& message);

  // Waits until a message is waiting and the queue is not held, or the time has passed.
  bool WaitForDeliverable(std::chrono::milliseconds timeout);

  void Hold();
  // Returns true when this release ended the last hold.
  bool Release();
  bool IsHeld() const;
  std::size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<WindowMessage> messages_;
  int holds_ = 0;
};

// A queue without a window system, for the engine's and the endpoints' tests and for tools run
// headless: messages wait until PumpMessages or WaitAndPump delivers them on the calling thread.
class InProcessMessageQueue final : public MessageQueue {
 public:
  void Post(const WindowMessage& message) override { messages_.Push(message); }
  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  void PumpMessages() override;
  void Hold() override { messages_.Hold(); }
  void Release() override { messages_.Release(); }
  void ProcessRepaints() override { ++repaintRuns_; }

  // Waits up to `timeout` for a deliverable message, then delivers everything waiting. Returns
  // the number of messages delivered.
  int WaitAndPump(std::chrono::milliseconds timeout);

  std::size_t Waiting() const { return messages_.Size(); }
  int RepaintRuns() const { return repaintRuns_; }

 private:
  int Deliver();

  PostedMessages messages_;
  Handler handler_;
  int repaintRuns_ = 0;
};

}  // namespace platform
