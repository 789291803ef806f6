#include "core/window/idle_cursor_blink.h"

#include <QApplication>
#include <QEvent>

namespace core {

IdleCursorBlink::IdleCursorBlink(std::chrono::milliseconds idleTime)
    : flashTime_(QApplication::cursorFlashTime()) {
  idle_.setSingleShot(true);
  idle_.setInterval(idleTime);
  connect(&idle_, &QTimer::timeout, this, &IdleCursorBlink::StopBlinking);
  idle_.start();
  qApp->installEventFilter(this);
}

IdleCursorBlink::~IdleCursorBlink() {
  qApp->removeEventFilter(this);
  if (!blinking_) QApplication::setCursorFlashTime(flashTime_);
}

bool IdleCursorBlink::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
      // Each input restarts the spell; the timer is a single shot, so nothing runs once the
      // spell has passed.
      if (!blinking_) StartBlinking();
      idle_.start();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void IdleCursorBlink::StopBlinking() {
  blinking_ = false;
  // A flash time of 0 shows the cursor steadily and lets the edit boxes stop their blink timers.
  QApplication::setCursorFlashTime(0);
}

void IdleCursorBlink::StartBlinking() {
  blinking_ = true;
  QApplication::setCursorFlashTime(flashTime_);
}

}  // namespace core
