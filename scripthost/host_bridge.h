#pragma once
// The native side of the WScript object: output, input, arguments, Sleep and Quit. The script
// sees it only through the prelude, which builds the platform host's objects on top of it.

#include <QJSValue>
#include <QObject>
#include <QStringList>
#include <functional>

#include "scripthost/event_pump.h"
#include "scripthost/host_state.h"
#include "scripthost/text_streams.h"

class QJSEngine;

namespace scripthost {

class AutomationBridge;

struct ScriptIdentity {
  QString name;      // the file's name
  QString fullName;  // its absolute path
  QString hostFullName;
  QStringList arguments;
};

class HostBridge : public QObject {
  Q_OBJECT
 public:
  HostBridge(QJSEngine& engine, HostState& state, EventPump& pump, ScriptIdentity identity);

  void SetAutomation(AutomationBridge* automation) { automation_ = automation; }

  Q_INVOKABLE QStringList arguments() const { return identity_.arguments; }
  Q_INVOKABLE QString scriptName() const { return identity_.name; }
  Q_INVOKABLE QString scriptFullName() const { return identity_.fullName; }
  Q_INVOKABLE QString hostFullName() const { return identity_.hostFullName; }

  Q_INVOKABLE void echo(const QJSValue& items);
  Q_INVOKABLE void quit(const QJSValue& code);
  Q_INVOKABLE void sleep(const QJSValue& milliseconds);
  // WScript.Timeout, in seconds; 0 for none.
  Q_INVOKABLE double timeout() const { return timeoutSeconds_; }
  Q_INVOKABLE void setTimeout(const QJSValue& seconds);
  // Called with the seconds each time the script sets its timeout.
  void OnTimeoutSet(std::function<void(double)> handler) { onTimeoutSet_ = std::move(handler); }

  // stream: 1 standard output, 2 standard error.
  Q_INVOKABLE void write(int stream, const QString& text);
  // Write and WriteLine of StdOut and StdErr: the value as Echo shows it.
  Q_INVOKABLE void writeValue(int stream, const QJSValue& value, bool lineEnd);
  Q_INVOKABLE QString readLine() { return input_.ReadLine(); }
  Q_INVOKABLE QString readAll() { return input_.ReadAll(); }
  Q_INVOKABLE QString read(int count) { return input_.Read(count); }
  Q_INVOKABLE void skipLine() { input_.SkipLine(); }
  Q_INVOKABLE void skip(int count) { input_.Skip(count); }
  Q_INVOKABLE bool atEndOfStream() { return input_.AtEndOfStream(); }
  Q_INVOKABLE bool atEndOfLine() { return input_.AtEndOfLine(); }
  Q_INVOKABLE int inputLine() const { return input_.Line(); }

  // Throws a script exception shaped like an automation error of the platform's script
  // runtime: number 0x800A0000 + `errorNumber`, and `description`.
  Q_INVOKABLE void fail(int errorNumber, const QString& description);

  // Ends the script's run now: the engine stops at its next step.
  void Stop();

  // The text Echo shows for one value.
  QString EchoText(const QJSValue& value, bool& ok);

 private:
  QJSEngine& engine_;
  HostState& state_;
  EventPump& pump_;
  ScriptIdentity identity_;
  AutomationBridge* automation_ = nullptr;
  double timeoutSeconds_ = 0;
  std::function<void(double)> onTimeoutSet_;
  OutputStream stdout_{stdout};
  OutputStream stderr_{stderr};
  InputStream input_{stdin};
};

// Throws a script exception with the automation error's shape. `number` is already in the
// script's form (a negative 32-bit value for an error of the 0x800A range).
void ThrowScriptError(QJSEngine& engine, qint32 number, const QString& description,
                      const QString& source);

// The script's form of a run-time error number: 0x800A0000 + n as a signed 32-bit value.
constexpr qint32 ScriptErrorNumber(int errorNumber) {
  return static_cast<qint32>(0x800A0000u + static_cast<unsigned>(errorNumber & 0xFFFF));
}

}  // namespace scripthost
