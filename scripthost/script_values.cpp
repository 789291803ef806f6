#include "scripthost/script_values.h"

#include <QJSEngine>
#include <algorithm>
#include <cmath>
#include <limits>

#include "automation/text.h"
#include "scripthost/script_dates.h"

namespace scripthost {
namespace {

using automation::Variant;
using automation::VarType;

// The key under which a dispatch Proxy gives its handle (see prelude.js).
const QString& DispatchKey() {
  static const QString key = QString(QChar(0)) + QStringLiteral("dispatch");
  return key;
}

QString FromUtf16(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

DispatchHandle* ValueMapper::HandleOf(const QJSValue& value) {
  if (!value.isObject()) return nullptr;
  if (auto* handle = qobject_cast<DispatchHandle*>(value.toQObject())) return handle;
  return qobject_cast<DispatchHandle*>(value.property(DispatchKey()).toQObject());
}

std::shared_ptr<const OpaqueValue> ValueMapper::OpaqueOf(const QJSValue& value) {
  if (!value.isVariant()) return nullptr;
  const QVariant held = value.toVariant();
  if (held.metaType() != QMetaType::fromType<OpaqueReference>()) return nullptr;
  return held.value<OpaqueReference>().value;
}

QJSValue ValueMapper::NewHandle(automation::Ref<automation::Dispatch> object) {
  collector_.Made(Collector::kObjectWeight);
  auto* handle = new DispatchHandle(std::move(object), collector_.live());  // the engine owns it
  QJSValue wrapped = engine_.newQObject(handle);
  QJSEngine::setObjectOwnership(handle, QJSEngine::JavaScriptOwnership);
  // Forget handles the engine has freed, so the list does not grow with every object; only when
  // it doubled, so that making an object costs the same however many the script holds.
  if (handles_.size() >= prunedSize_ * 2) {
    std::erase_if(handles_, [](const QPointer<DispatchHandle>& h) { return h.isNull(); });
    prunedSize_ = std::max<std::size_t>(handles_.size(), 64);
  }
  handles_.emplace_back(handle);
  return wrapped;
}

QJSValue ValueMapper::Wrap(automation::Ref<automation::Dispatch> object) {
  if (!object) return QJSValue(QJSValue::NullValue);
  return wrapper_.call({NewHandle(std::move(object))});
}

void ValueMapper::ReleaseAll() {
  for (const QPointer<DispatchHandle>& handle : handles_) {
    if (handle) handle->Release();
  }
}

QJSValue ValueMapper::ToScript(const Variant& given) {
  const Variant& value = given.Deref();
  if (value.IsArray()) {
    collector_.Made(Collector::kArrayWeight);
    return engine_.toScriptValue(
        OpaqueReference{std::make_shared<const OpaqueValue>(value, collector_.live())});
  }
  switch (value.Type()) {
    case VarType::Null:
      return QJSValue(QJSValue::NullValue);
    case VarType::I2:
      return QJSValue(value.AsI2());
    case VarType::I4:
      return QJSValue(value.AsI4());
    case VarType::R8:
      return QJSValue(value.AsR8());
    case VarType::UI1:
      return QJSValue(value.AsUI1());
    case VarType::Bool:
      return QJSValue(value.AsBool());
    case VarType::String:
      return QJSValue(FromUtf16(value.AsString()));
    case VarType::Date:
      return DateToScript(engine_, value.AsDate());
    case VarType::Dispatch:
      return Wrap(automation::Ref<automation::Dispatch>(value.AsObject()));
    default:
      // Empty, and error values (an omitted argument): nothing the script can use.
      return QJSValue(QJSValue::UndefinedValue);
  }
}

automation::Result<Variant> ValueMapper::FromScript(const QJSValue& value) const {
  if (value.isUndefined()) return Variant();
  if (value.isNull()) return Variant::Null();
  if (value.isBool()) return Variant::Bool(value.toBool());
  if (value.isNumber()) {
    double number = value.toNumber();
    if (number == std::trunc(number) && number >= std::numeric_limits<qint32>::min() &&
        number <= std::numeric_limits<qint32>::max()) {
      return Variant::I4(static_cast<qint32>(number));
    }
    return Variant::R8(number);
  }
  if (value.isString()) return Variant::String(value.toString().toStdU16String());
  if (value.isDate()) return Variant::Date(DateFromScript(value));
  if (auto opaque = OpaqueOf(value)) return opaque->value();
  if (DispatchHandle* handle = HandleOf(value)) {
    if (!handle->object()) return automation::MakeError(automation::kErrTypeMismatch);
    return Variant::Object(handle->ref());
  }
  // A script object or function: the controls take neither.
  return automation::MakeError(automation::kErrTypeMismatch);
}

}  // namespace scripthost
