// The traffic list draws at most once per display frame, however fast lines arrive, while every
// line still enters it at once; and the text cursor stops blinking when the user is away.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/window/frame_pacer.h"
#include "core/window/idle_cursor_blink.h"
#include "core/window/qt_traffic_list_view.h"

namespace {

using core::FramePacer;

// Counts the events of one kind that reach an object.
class EventCounter : public QObject {
 public:
  EventCounter(QObject& watched, QEvent::Type type) : type_(type) {
    watched.installEventFilter(this);
  }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type_) ++count;
    return false;
  }

 private:
  QEvent::Type type_;
};

class TrafficListPacing : public testing::Test {
 protected:
  TrafficListPacing() {
    list.resize(400, 200);
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
  }

  // Adds a line the way the window does for each event: the line, then the newest selected.
  void AddSelected(const std::string& text) {
    view.AddLine(text);
    if (view.LineCount() > 100) view.DeleteLine(0);
    view.SelectLine(view.LineCount() - 1);
  }

  bool NewestInView() const {
    QListWidgetItem* newest = list.item(list.count() - 1);
    return newest != nullptr && list.viewport()->rect().contains(list.visualItemRect(newest));
  }

  QListWidget list;
  core::QtTrafficListView view{list};
};

TEST_F(TrafficListPacing, AFloodOfLinesIsDrawnOncePerFrameWithEveryLineInAtOnce) {
  EventCounter paints(*list.viewport(), QEvent::Paint);
  QElapsedTimer elapsed;
  elapsed.start();
  constexpr int kLines = 500;
  for (int i = 1; i <= kLines; ++i) {
    AddSelected("line " + std::to_string(i));
    // Every line is in the list, selected, the moment it was added.
    ASSERT_EQ(view.LineText(view.LineCount() - 1), "line " + std::to_string(i));
    ASSERT_EQ(view.SelectedLine(), view.LineCount() - 1);
    // Each received block is handled in its own turn of the event loop.
    QCoreApplication::processEvents();
  }
  const auto frames = elapsed.elapsed() / FramePacer::kFrame.count();
  EXPECT_LE(paints.count, frames + 3) << "lines: " << kLines << ", ms: " << elapsed.elapsed();

  // After the frame, the newest line is drawn in view.
  ASSERT_TRUE(QTest::qWaitFor([&] { return NewestInView(); }, 1000));
  EXPECT_EQ(view.LineCount(), 100);
  EXPECT_EQ(view.LineText(0), "line " + std::to_string(kLines - 99));
}

TEST_F(TrafficListPacing, ALineAfterAQuietSpellIsDrawnAtTheNextTurnOfTheLoop) {
  QTest::qWait(3 * static_cast<int>(FramePacer::kFrame.count()));
  EventCounter paints(*list.viewport(), QEvent::Paint);
  AddSelected("alone");
  // No frame time is waited when the last frame is long past: one turn of the loop (the zero
  // timer) and one of the repaint it asks for.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_GE(paints.count, 1);
  EXPECT_TRUE(NewestInView());
}

TEST_F(TrafficListPacing, AWaitThatRunsOnlyRepaintsStillShowsTheDueFrame) {
  for (int i = 0; i < 150; ++i) AddSelected("line " + std::to_string(i));
  std::this_thread::sleep_for(FramePacer::kFrame + std::chrono::milliseconds(5));
  // A blocking socket wait runs no timers; it flushes due frames before the repaints it runs.
  FramePacer::FlushDue();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  EXPECT_TRUE(list.updatesEnabled());
  EXPECT_TRUE(NewestInView());
}

// Counts the blink timer's turns of the edit boxes over a spell: the timer belongs to a box's
// text control, an object of Qt's own beside the box.
class BlinkTimerCounter : public QObject {
 public:
  BlinkTimerCounter() { qApp->installEventFilter(this); }
  ~BlinkTimerCounter() override { qApp->removeEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer &&
        std::string(watched->metaObject()->className()).find("LineControl") != std::string::npos)
      ++count;
    return false;
  }
};

int BlinkTicks(std::chrono::milliseconds spell) {
  BlinkTimerCounter ticks;
  QTest::qWait(static_cast<int>(spell.count()));
  return ticks.count;
}

TEST(IdleCursorBlink, StopsAfterTheIdleSpellAndStartsAgainOnAKey) {
  // A quick blink keeps the test short: a turn of the blink timer every 100 ms.
  const int desktopFlashTime = QApplication::cursorFlashTime();
  constexpr int kFlashTime = 200;
  QApplication::setCursorFlashTime(kFlashTime);
  QLineEdit edit;
  edit.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
  edit.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
  edit.setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }, 1000));

  {
    core::IdleCursorBlink idle(std::chrono::milliseconds(500));
    EXPECT_GT(BlinkTicks(std::chrono::milliseconds(300)), 0)
        << "the cursor blinks while the user is at work";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !idle.IsBlinking(); }, 2000));
    EXPECT_EQ(BlinkTicks(std::chrono::milliseconds(400)), 0) << "no timer runs in the idle box";

    QTest::keyClick(&edit, Qt::Key_A);
    EXPECT_TRUE(idle.IsBlinking());
    EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime);
    EXPECT_GT(BlinkTicks(std::chrono::milliseconds(300)), 0) << "a key starts the blinking again";
  }
  EXPECT_EQ(QApplication::cursorFlashTime(), kFlashTime) << "the flash time is left as found";
  QApplication::setCursorFlashTime(desktopFlashTime);
}

}  // namespace
