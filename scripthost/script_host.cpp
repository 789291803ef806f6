#include "scripthost/script_host.h"

#include <QFileInfo>
#include <QJSEngine>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "scripthost/automation_bridge.h"
#include "scripthost/error_report.h"
#include "scripthost/host_bridge.h"
#include "scripthost/poll_event_pump.h"
#include "scripthost/prelude.h"
#include "scripthost/script_source.h"
#include "scripthost/watchdog.h"

namespace scripthost {
namespace {

// A stuck script (blocked in a call that the engine cannot interrupt) gets this long after its
// timeout before the process ends without cleaning up.
constexpr std::chrono::milliseconds kStuckGrace{2000};

void WriteError(const std::string& line) {
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

std::string TimeoutMessage(const HostOptions& options) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", *options.timeoutSeconds);
  return "quorvane-script: " + options.scriptPath + ": stopped after the timeout of " + seconds +
         (*options.timeoutSeconds == 1 ? " second" : " seconds");
}

// The file name that the engine records in its stack traces for a script evaluated under
// `fileName` (it turns paths into URLs), found by asking it.
QString EngineFileName(QJSEngine& engine, const QString& fileName) {
  QJSValue probe = engine.evaluate(
      QStringLiteral(
          "(function () { try { throw new Error(); } catch (e) { return e.fileName; } })()"),
      fileName);
  return probe.toString();
}

void ReportThrown(const HostOptions& options, const QJSValue& thrown, const QStringList& trace,
                  const ScriptLocation& location) {
  WriteError(FormatFailure(options.scriptPath, DescribeThrown(thrown, trace, location)));
  QJSValue hint = thrown.isObject() ? thrown.property(QStringLiteral("hint")) : QJSValue();
  if (hint.isString()) WriteError("quorvane-script: " + hint.toString().toStdString());
}

}  // namespace

int RunScript(const HostOptions& options, const std::string& hostPath) {
  auto loaded = LoadScriptSource(options.scriptPath);
  if (auto* error = std::get_if<SourceError>(&loaded)) {
    WriteError("quorvane-script: " + error->message);
    return kExitFailure;
  }
  const QString sourceText = std::get<ScriptSource>(loaded).text;
  const QFileInfo scriptFile(QString::fromStdString(options.scriptPath));

  QJSEngine engine;
  HostState state;
  platform::PollReadinessLoop loop;
  PollEventPump pump(loop);

  ScriptIdentity identity;
  identity.name = scriptFile.fileName();
  identity.fullName = scriptFile.absoluteFilePath();
  identity.hostFullName = QString::fromStdString(hostPath);
  for (const std::string& argument : options.scriptArguments) {
    identity.arguments.append(QString::fromStdString(argument));
  }

  const ScriptLocation location{EngineFileName(engine, identity.fullName), sourceText,
                                identity.fullName, options.scriptPath};
  auto host = std::make_unique<HostBridge>(engine, state, pump, identity);
  auto automation = std::make_unique<AutomationBridge>(engine, state, *host, location, loop);
  host->SetAutomation(automation.get());
  QJSEngine::setObjectOwnership(host.get(), QJSEngine::CppOwnership);
  QJSEngine::setObjectOwnership(automation.get(), QJSEngine::CppOwnership);

  QJSValue prelude = engine.evaluate(PreludeSource(), QStringLiteral("quorvane-script:prelude"));
  QJSValue installed = prelude.call(
      {engine.newQObject(host.get()), engine.newQObject(automation.get()), engine.globalObject()});
  if (installed.isError()) {
    WriteError("quorvane-script: the host's objects could not be made: " +
               installed.toString().toStdString());
    return kExitFailure;
  }

  QStringList trace;
  QJSValue result;
  {
    std::unique_ptr<Watchdog> watchdog;
    if (options.timeoutSeconds) {
      auto limit = std::chrono::milliseconds(
          static_cast<long long>(std::min(*options.timeoutSeconds, 2.0e6) * 1000.0));
      watchdog = std::make_unique<Watchdog>(
          limit, kStuckGrace,
          [&] {
            if (!state.TryStop(StopReason::TimedOut)) return;
            engine.setInterrupted(true);
            pump.Wake();
          },
          [&] {
            WriteError(TimeoutMessage(options));
            std::_Exit(kExitTimeoutOrUsage);
          });
    }
    result = engine.evaluate(sourceText, identity.fullName, 1, &trace);
  }
  engine.setInterrupted(false);

  int exitCode = 0;
  switch (state.Reason()) {
    case StopReason::Quit:
      exitCode = state.exitCode;
      break;
    case StopReason::HandlerFailed:
      WriteError(state.handlerFailure);
      exitCode = kExitFailure;
      break;
    case StopReason::TimedOut:
      WriteError(TimeoutMessage(options));
      exitCode = kExitTimeoutOrUsage;
      break;
    case StopReason::None:
      if (!trace.isEmpty() || result.isError()) {
        ReportThrown(options, result, trace, location);
        exitCode = kExitFailure;
      }
      break;
  }
  // The script's objects go before the engine: their events are disconnected and the controls
  // released while everything they may call back is still there.
  automation->ReleaseAll();
  return exitCode;
}

}  // namespace scripthost
