#include "core/window/qt_message_queue.h"

#include "core/window/frame_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <memory>

namespace core {

namespace {

QEvent::Type WakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

QtMessageQueue::QtMessageQueue(QObject* parent) : QObject(parent) {
  WakeEventType();
}

void QtMessageQueue::Post(const platform::WindowMessage& message) {
  // A wake-up is needed only when the store was empty: otherwise one is already on its way, or
  // the delivery loop on the user-interface thread is still taking messages.
  if (messages_.Push(message)) Wake();
}

void QtMessageQueue::Wake() {
  // Qt takes ownership of a posted event; a queue that is gone discards its pending events.
  QCoreApplication::postEvent(this, std::make_unique<QEvent>(WakeEventType()).release());
}

void QtMessageQueue::SetHandler(Handler handler) {
  handler_ = std::move(handler);
  if (messages_.Size() > 0) Wake();
}

bool QtMessageQueue::event(QEvent* event) {
  if (event->type() != WakeEventType()) return QObject::event(event);
  Deliver();
  return true;
}

void QtMessageQueue::Deliver() {
  if (!handler_) return;
  // The handler's hold is ended through Release, which wakes the loop again when messages came
  // meanwhile: a wake-up spent inside a box's loop while the queue was held is not lost.
  messages_.DeliverAll(
      handler_, [this] { Hold(); }, [this] { Release(); });
}

void QtMessageQueue::PumpMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  Deliver();
}

void QtMessageQueue::Hold() {
  messages_.Hold();
}

void QtMessageQueue::Release() {
  // Messages that arrived during the hold had their wake-up already spent: wake again.
  if (messages_.Release() && messages_.Size() > 0) Wake();
}

void QtMessageQueue::ProcessRepaints() {
  // Paced widgets whose frame is due draw now, since the wait runs no timers.
  FramePacer::FlushDue();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

}  // namespace core
