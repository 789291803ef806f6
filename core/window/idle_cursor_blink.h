#pragma once
// Lets the text cursor blink only while the user is at work. After a spell without keys or
// clicks the blinking stops, as desktop toolkits do, so an idle window does not wake the
// program twice a second for nothing; the next key or click starts it again. While the cursor
// does not blink no timer runs at all.

#include <QObject>
#include <QTimer>
#include <chrono>

namespace core {

class IdleCursorBlink final : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kDefaultIdleTime{10'000};

  // Watches the whole application's input; the flash time in force now is the one restored on
  // input.
  explicit IdleCursorBlink(std::chrono::milliseconds idleTime = kDefaultIdleTime);
  ~IdleCursorBlink() override;
  IdleCursorBlink(const IdleCursorBlink&) = delete;
  IdleCursorBlink& operator=(const IdleCursorBlink&) = delete;

  bool IsBlinking() const { return blinking_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StopBlinking();
  void StartBlinking();

  QTimer idle_;
  int flashTime_;
  bool blinking_ = true;
};

}  // namespace core
