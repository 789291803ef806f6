#pragma once
// Dates between the script and the objects: a JavaScript Date is the platform's date value (days
// since 30 December 1899 in local time) and back, to the millisecond.

#include <QJSValue>

class QJSEngine;

namespace scripthost {

QJSValue DateToScript(QJSEngine& engine, double date);
double DateFromScript(const QJSValue& value);

}  // namespace scripthost
