#pragma once
// Window messages: how the transports (socket endpoints, the serial receive thread) tell the main
// window that something happened. A message is posted from any thread and delivered in order on
// the user-interface thread. The window binds this interface to its toolkit's event loop; tests
// use InProcessMessageQueue, which needs no window system.
//
// The contract every binding keeps:
//
// Targets. A message names its target (an endpoint, a port) by an id that the receiver looks up
// among the targets it has alive, never by the target's address. Ids come from NewMessageTargetId
// and are never given out twice in a process, so a message whose target is gone matches nothing
// and is dropped; it can never reach a successor that happens to live at the same address.
// MessageTargets below is the lookup a receiver keeps.
//
// Transport messages are never re-entered. The tool declares its transport message numbers
// (DeclareTransportMessage: accept, receive and close of the sockets, the serial event). While the
// handler of one runs, anything it does included (a modal error box runs its own event loop),
// the queue is held: the program's further posted messages stay queued and are delivered in
// order when the handler returns, so no handler runs inside another and each message finds the
// state its predecessor left. Repaints and the box itself still run. Messages of undeclared
// numbers and user commands are not held: a user command that waits (a file dialog, the pause
// of a list file) keeps delivering posted messages while it waits.
//
// Holds. A blocking socket wait holds the queue in the same way (MessageHold) and runs only
// repaints (ProcessRepaints) while it waits.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

struct WindowMessage {
  unsigned number = 0;
  std::uintptr_t first = 0;  // wParam: the id of the sending endpoint or port, or 0
  std::intptr_t second = 0;  // lParam
};

inline bool operator==(const WindowMessage& a, const WindowMessage& b) {
  return a.number == b.number && a.first == b.first && a.second == b.second;
}

// A fresh message target id: never 0, never the same twice in the process. Thread-safe.
std::uintptr_t NewMessageTargetId();

// The receiver's table of live message targets, by id. Used on the user-interface thread only.
// A target adds itself when it starts posting and removes itself before it goes; a message whose
// id is not found is dropped by the caller.
template <class Target>
class MessageTargets {
 public:
  void Add(std::uintptr_t id, Target& target) { targets_.emplace_back(id, &target); }
  void Remove(std::uintptr_t id) {
    std::erase_if(targets_, [id](const auto& entry) { return entry.first == id; });
  }
  Target* Find(std::uintptr_t id) const {
    for (const auto& [entryId, target] : targets_)
      if (entryId == id) return target;
    return nullptr;
  }
  std::size_t Size() const { return targets_.size(); }

 private:
  std::vector<std::pair<std::uintptr_t, Target*>> targets_;
};

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

  // Makes `number` a transport message: its handler is never re-entered (see above). A tool
  // declares its numbers before its transport posts any.
  virtual void DeclareTransportMessage(unsigned number) = 0;

  // Delivers every message waiting (with the toolkit, every pending event), then returns. While
  // the queue is held, the program's own messages stay queued.
  virtual void PumpMessages() = 0;

  // A hold keeps the program's own posted messages queued; they are delivered in order once the
  // last hold is released. Blocking socket waits and transport message handlers hold the queue.
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

// The ordered store behind both queue bindings: posted messages, the hold count, the declared
// transport message numbers and a wake-up for whoever waits for the next message. Thread-safe.
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

  void DeclareTransportMessage(unsigned number);
  bool IsTransportMessage(unsigned number) const;

  // Hands every deliverable message to `handler`, oldest first, each taken before it is handled
  // (a handler may post, hold or pump again without a message being delivered twice or out of
  // order). A transport message is handled inside `hold` and `release`, the binding's own, so
  // that the binding can wake its loop when the handler's hold ends. Returns the number handled.
  int DeliverAll(const std::function<void(const WindowMessage&)>& handler,
                 const std::function<void()>& hold, const std::function<void()>& release);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<WindowMessage> messages_;
  std::vector<unsigned> transportNumbers_;
  int holds_ = 0;
};

// A queue without a window system, for the engine's and the endpoints' tests and for tools run
// headless: messages wait until PumpMessages or WaitAndPump delivers them on the calling thread.
class InProcessMessageQueue final : public MessageQueue {
 public:
  void Post(const WindowMessage& message) override { messages_.Push(message); }
  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  void DeclareTransportMessage(unsigned number) override {
    messages_.DeclareTransportMessage(number);
  }
  void PumpMessages() override;
  void Hold() override { messages_.Hold(); }
  void Release() override { messages_.Release(); }
  // There is no window to repaint here.
  void ProcessRepaints() override {}

  // Waits up to `timeout` for a deliverable message, then delivers everything waiting. Returns
  // the number of messages delivered.
  int WaitAndPump(std::chrono::milliseconds timeout);

  std::size_t Waiting() const { return messages_.Size(); }

 private:
  int Deliver();

  PostedMessages messages_;
  Handler handler_;
};

}  // namespace platform
