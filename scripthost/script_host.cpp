#include "scripthost/script_host.h"

#include <QFileInfo>
#include <QJSEngine>
#include <algorithm>
#include <chrono>
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

std::string TimeoutMessage(const HostOptions& options, double limit) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", limit);
  return "quorvane-script: " + options.scriptPath + ": stopped after the timeout of " + seconds +
         (limit == 1 ? " second" : " seconds");
}

std::chrono::milliseconds MillisecondsOf(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(std::min(seconds, 2.0e6) * 1000.0));
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
  // The limit that ended the script (the command line's or the script's own), written by the
  // watchdog that stopped it and read after both watchdogs are gone.
  double firedLimit = 0;
  {
    const auto started = std::chrono::steady_clock::now();
    auto makeWatchdog = [&](double seconds, std::chrono::milliseconds limit) {
      return std::make_unique<Watchdog>(
          limit, kStuckGrace,
          [&, seconds] {
            if (!state.TryStop(StopReason::TimedOut)) return;
            firedLimit = seconds;
            engine.setInterrupted(true);
            pump.Wake();
          },
          [&, seconds] {
            WriteError(TimeoutMessage(options, seconds));
            std::_Exit(kExitTimeoutOrUsage);
          });
    };
    std::unique_ptr<Watchdog> watchdog;
    if (options.timeoutSeconds) {
      watchdog = makeWatchdog(*options.timeoutSeconds, MillisecondsOf(*options.timeoutSeconds));
    }
    // WScript.Timeout counts from the script's start, as the command line's limit does; setting
    // it again replaces the script's earlier limit, and 0 removes it.
    std::unique_ptr<Watchdog> scriptWatchdog;
    host->OnTimeoutSet([&](double seconds) {
      scriptWatchdog.reset();
      if (seconds <= 0) return;
      auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - started);
      scriptWatchdog = makeWatchdog(
          seconds, std::max(MillisecondsOf(seconds) - elapsed, std::chrono::milliseconds(0)));
    });
    result = engine.evaluate(sourceText, identity.fullName, 1, &trace);
    host->OnTimeoutSet({});
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
      WriteError(TimeoutMessage(options, firedLimit));
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
