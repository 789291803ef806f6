#include "core/window/display_guard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace core {

namespace {

constexpr const char* kNoDisplayAdvice =
    "start it in a desktop session, or without a window with QT_QPA_PLATFORM=offscreen";

struct HeldMessage {
  QtMsgType type;
  std::string file;
  int line;
  std::string function;
  std::string category;
  QString text;
};

struct GuardState {
  std::mutex mutex;
  const char* programName = "";
  QtMessageHandler previous = nullptr;
  std::vector<HeldMessage> held;
};

GuardState& State() {
  static GuardState state;
  return state;
}

std::string Text(const char* maybeNull) {
  return maybeNull == nullptr ? std::string() : std::string(maybeNull);
}

// The display the platform would have used, for the message.
std::string DisplayDescription() {
  const QByteArray x11 = qgetenv("DISPLAY");
  if (!x11.isEmpty()) return "display " + x11.toStdString() + " cannot be opened";
  const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
  if (!wayland.isEmpty()) return "display " + wayland.toStdString() + " cannot be opened";
  return "DISPLAY is not set";
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  GuardState& state = State();
  std::lock_guard lock(state.mutex);
  if (type == QtFatalMsg) {
    // Qt aborts after a fatal message; exiting here keeps its advice and the abort away.
    std::fprintf(stderr, "%s: cannot open its window: %s; %s\n", state.programName,
                 DisplayDescription().c_str(), kNoDisplayAdvice);
    std::fflush(stderr);
    std::_Exit(1);
  }
  state.held.push_back({type, Text(context.file), context.line, Text(context.function),
                        Text(context.category), text});
}

}  // namespace

DisplayGuard::DisplayGuard(const char* programName) {
  GuardState& state = State();
  std::lock_guard lock(state.mutex);
  state.programName = programName;
  state.held.clear();
  state.previous = qInstallMessageHandler(HoldMessage);
}

void DisplayGuard::Release() {
  if (!armed_) return;
  armed_ = false;
  GuardState& state = State();
  std::vector<HeldMessage> held;
  QtMessageHandler previous = nullptr;
  {
    std::lock_guard lock(state.mutex);
    qInstallMessageHandler(state.previous);
    previous = state.previous;
    held.swap(state.held);
  }
  for (const HeldMessage& message : held) {
    const QMessageLogContext context(message.file.empty() ? nullptr : message.file.c_str(),
                                     message.line,
                                     message.function.empty() ? nullptr : message.function.c_str(),
                                     message.category.empty() ? nullptr : message.category.c_str());
    if (previous != nullptr) {
      previous(message.type, context, message.text);
    } else {
      std::fprintf(stderr, "%s\n", message.text.toLocal8Bit().constData());
    }
  }
}

}  // namespace core
