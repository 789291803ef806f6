#include "scripthost/automation_bridge.h"

#include <QJSEngine>

#include "scripthost/host_bridge.h"

namespace scripthost {

AutomationBridge::AutomationBridge(QJSEngine& engine, HostState& state, HostBridge& host,
                                   ScriptLocation location)
    : engine_(engine), state_(state), host_(host), location_(std::move(location)) {}

AutomationBridge::~AutomationBridge() = default;

QJSValue AutomationBridge::createObject(const QString& progId) {
  ThrowScriptError(engine_, ScriptErrorNumber(429),
                   QStringLiteral("ActiveX component can't create object"), {});
  (void)progId;
  return {};
}

QJSValue AutomationBridge::createWithProperties(const QString& progId, const QJSValue&) {
  return createObject(progId);
}

QJSValue AutomationBridge::saveProperties(const QJSValue&) {
  return {};
}

QJSValue AutomationBridge::member(const QJSValue&, const QString&) {
  return {};
}

QJSValue AutomationBridge::invoke(const QJSValue&, int, int, const QJSValue&) {
  return {};
}

void AutomationBridge::connect(const QJSValue&, const QString&) {}

void AutomationBridge::disconnect(const QJSValue&) {}

QJSValue AutomationBridge::writableHandler(const QJSValue&, const QString&, const QJSValue&) {
  return {};
}

bool AutomationBridge::isArray(const QJSValue&) const {
  return false;
}

QJSValue AutomationBridge::arrayToArray(const QJSValue&) {
  return {};
}

int AutomationBridge::arrayDimensions(const QJSValue&) {
  return 0;
}

QJSValue AutomationBridge::arrayBound(const QJSValue&, int, bool) {
  return {};
}

QJSValue AutomationBridge::arrayItem(const QJSValue&, const QJSValue&) {
  return {};
}

std::optional<QString> AutomationBridge::EchoText(const QJSValue&, bool& ok) {
  ok = true;
  return std::nullopt;
}

void AutomationBridge::ReleaseAll() {}

}  // namespace scripthost
