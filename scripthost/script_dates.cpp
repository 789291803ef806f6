#include "scripthost/script_dates.h"

#include <QDateTime>
#include <QJSEngine>
#include <QTimeZone>

#include "automation/date.h"

namespace scripthost {

QJSValue DateToScript(QJSEngine& engine, double date) {
  const automation::DateParts p = automation::PartsOfDate(date);
  const QDateTime local(QDate(p.year, p.month, p.day),
                        QTime(p.hour, p.minute, p.second, p.millisecond), Qt::LocalTime);
  return engine.toScriptValue(local);
}

double DateFromScript(const QJSValue& value) {
  const QDateTime local = value.toDateTime().toLocalTime();
  automation::DateParts p;
  p.year = local.date().year();
  p.month = local.date().month();
  p.day = local.date().day();
  p.hour = local.time().hour();
  p.minute = local.time().minute();
  p.second = local.time().second();
  p.millisecond = local.time().msec();
  return automation::DateFromParts(p);
}

}  // namespace scripthost
