#include "scripthost/host_bridge.h"

#include <QJSEngine>
#include <chrono>
#include <cmath>
#include <limits>

#include "scripthost/automation_bridge.h"

namespace scripthost {
namespace {

constexpr int kTypeMismatch = 13;
constexpr int kInvalidArgument = 5;

// Numbers read as the platform's values print them: whole numbers in range as integers, others
// with 15 significant digits.
QString NumberText(double value) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value))
    return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
  if (value == std::trunc(value) && value >= std::numeric_limits<qint32>::min() &&
      value <= std::numeric_limits<qint32>::max()) {
    return QString::number(static_cast<qint32>(value));
  }
  return QString::number(value, 'G', 15);
}

}  // namespace

void ThrowScriptError(QJSEngine& engine, qint32 number, const QString& description,
                      const QString& source) {
  QJSValue error = engine.newErrorObject(QJSValue::GenericError, description);
  error.setProperty(QStringLiteral("number"), number);
  error.setProperty(QStringLiteral("description"), description);
  if (!source.isEmpty()) error.setProperty(QStringLiteral("source"), source);
  engine.throwError(error);
}

HostBridge::HostBridge(QJSEngine& engine, HostState& state, EventPump& pump,
                       ScriptIdentity identity)
    : engine_(engine), state_(state), pump_(pump), identity_(std::move(identity)) {}

QString HostBridge::EchoText(const QJSValue& value, bool& ok) {
  ok = true;
  if (value.isUndefined()) return {};
  if (value.isNull()) return QStringLiteral("null");
  // The platform's values show a Boolean as -1 (true) or 0.
  if (value.isBool()) return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
  if (value.isNumber()) return NumberText(value.toNumber());
  if (automation_ != nullptr && value.isObject()) {
    std::optional<QString> text = automation_->EchoText(value, ok);
    if (!ok) return {};
    if (text) return *text;
  }
  return value.toString();
}

void HostBridge::echo(const QJSValue& items) {
  QString line;
  const int count = items.property(QStringLiteral("length")).toInt();
  for (int i = 0; i < count; ++i) {
    bool ok = true;
    QString text = EchoText(items.property(static_cast<quint32>(i)), ok);
    if (!ok) {
      if (!engine_.hasError()) fail(kTypeMismatch, QStringLiteral("Type mismatch"));
      return;
    }
    if (i > 0) line += QLatin1Char(' ');
    line += text;
  }
  line += QLatin1Char('\n');
  stdout_.Write(line);
}

void HostBridge::write(int stream, const QString& text) {
  (stream == 2 ? stderr_ : stdout_).Write(text);
}

void HostBridge::writeValue(int stream, const QJSValue& value, bool lineEnd) {
  bool ok = true;
  QString text = EchoText(value, ok);
  if (!ok) {
    if (!engine_.hasError()) fail(kTypeMismatch, QStringLiteral("Type mismatch"));
    return;
  }
  if (lineEnd) text += QLatin1Char('\n');
  write(stream, text);
}

void HostBridge::quit(const QJSValue& code) {
  if (!state_.TryStop(StopReason::Quit)) return;
  state_.exitCode = code.isUndefined() ? 0 : code.toInt();
  Stop();
}

void HostBridge::Stop() {
  engine_.setInterrupted(true);
  pump_.Wake();
}

void HostBridge::sleep(const QJSValue& milliseconds) {
  double requested = milliseconds.toNumber();
  if (std::isnan(requested) || requested < 0) {
    fail(kInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    return;
  }
  using Clock = std::chrono::steady_clock;
  // Above about 24 days the wait is endless for any script; the cap keeps the arithmetic safe.
  const auto wait = std::chrono::milliseconds(static_cast<long long>(std::min(requested, 2.0e9)));
  const auto deadline = Clock::now() + wait;
  // Even Sleep(0) runs one round, so that a polling script receives what is ready.
  do {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pump_.PumpOnce(std::max(left, std::chrono::milliseconds(0)));
  } while (!state_.Stopping() && Clock::now() < deadline);
}

void HostBridge::setTimeout(const QJSValue& seconds) {
  double given = seconds.toNumber();
  // The platform's property is a whole number of seconds; a negative one or one out of range is
  // an invalid argument.
  if (std::isnan(given) || given < 0 || given > std::numeric_limits<qint32>::max()) {
    fail(kInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    return;
  }
  timeoutSeconds_ = std::trunc(given);
  if (onTimeoutSet_) onTimeoutSet_(timeoutSeconds_);
}

void HostBridge::fail(int errorNumber, const QString& description) {
  ThrowScriptError(engine_, ScriptErrorNumber(errorNumber), description, {});
}

}  // namespace scripthost
