#pragma once
// The window messages bound to Qt's event queue. A message is stored in the ordered store of
// platform::PostedMessages; a posted wake-up event makes the user-interface thread's event loop
// deliver what is waiting. Post may be called from any thread. The handler of a transport message
// holds the queue while it runs, so a modal box it opens (a nested event loop) delivers none of
// the program's messages; they follow, in order, when the handler returns.

#include <QObject>

#include "platform/window_messages.h"

class QEvent;

namespace core {

class QtMessageQueue final : public QObject, public platform::MessageQueue {
  Q_OBJECT

 public:
  explicit QtMessageQueue(QObject* parent = nullptr);

  void Post(const platform::WindowMessage& message) override;
  void SetHandler(Handler handler) override;
  void DeclareTransportMessage(unsigned number) override {
    messages_.DeclareTransportMessage(number);
  }
  // Runs every pending event of the thread, then delivers every message still waiting.
  void PumpMessages() override;
  void Hold() override;
  void Release() override;
  // Sends the pending repaint requests of every window, and nothing else: neither input nor the
  // program's own messages run while a blocking wait holds the queue.
  void ProcessRepaints() override;

  std::size_t Waiting() const { return messages_.Size(); }

 protected:
  bool event(QEvent* event) override;

 private:
  void Wake();
  void Deliver();

  platform::PostedMessages messages_;
  Handler handler_;
};

}  // namespace core
