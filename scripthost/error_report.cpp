#include "scripthost/error_report.h"

namespace scripthost {
namespace {

struct Frame {
  int line = 0;
  int column = 0;
};

// A stack line of an Error object: "name@file:line".
bool ParseStackLine(const QString& entry, const QString& fileName, Frame& frame) {
  qsizetype at = entry.indexOf(QLatin1Char('@'));
  qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
  if (at < 0 || colon <= at) return false;
  if (entry.mid(at + 1, colon - at - 1) != fileName) return false;
  bool ok = false;
  frame.line = entry.mid(colon + 1).toInt(&ok);
  return ok;
}

// An entry of the engine's exception trace: "name:line:column:file".
bool ParseTraceEntry(const QString& entry, const QString& fileName, Frame& frame) {
  qsizetype first = entry.indexOf(QLatin1Char(':'));
  qsizetype second = first < 0 ? -1 : entry.indexOf(QLatin1Char(':'), first + 1);
  qsizetype third = second < 0 ? -1 : entry.indexOf(QLatin1Char(':'), second + 1);
  if (third < 0 || entry.mid(third + 1) != fileName) return false;
  bool lineOk = false;
  bool columnOk = false;
  frame.line = entry.mid(first + 1, second - first - 1).toInt(&lineOk);
  frame.column = entry.mid(second + 1, third - second - 1).toInt(&columnOk);
  return lineOk && columnOk;
}

QString StringProperty(const QJSValue& value, const char* name) {
  QJSValue property = value.property(QString::fromLatin1(name));
  return property.isString() ? property.toString() : QString();
}

}  // namespace

int FirstColumnOfLine(const QString& text, int line) {
  qsizetype start = 0;
  for (int current = 1; current < line; ++current) {
    start = text.indexOf(QLatin1Char('\n'), start);
    if (start < 0) return 1;
    ++start;
  }
  int column = 1;
  for (qsizetype i = start; i < text.size(); ++i, ++column) {
    QChar c = text[i];
    if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) break;
  }
  return column;
}

ScriptFailure DescribeThrown(const QJSValue& thrown, const QStringList& trace,
                             const ScriptLocation& location) {
  ScriptFailure failure;
  Frame frame;
  bool found = false;
  if (thrown.isError()) {
    const QStringList stack = thrown.property(QStringLiteral("stack")).toString().split(u'\n');
    for (const QString& entry : stack) {
      if ((found = ParseStackLine(entry, location.engineFileName, frame))) break;
    }
  }
  for (const QString& entry : trace) {
    Frame traced;
    if (!ParseTraceEntry(entry, location.engineFileName, traced)) continue;
    // A syntax error's trace carries the parser's column for the error's own line.
    if (!found || (traced.line == frame.line && traced.column > 0)) frame = traced;
    found = true;
    break;
  }
  if (!found && thrown.isError() &&
      thrown.property(QStringLiteral("fileName")).toString() == location.engineFileName) {
    frame.line = thrown.property(QStringLiteral("lineNumber")).toInt();
    found = frame.line > 0;
  }
  if (found) {
    failure.line = frame.line;
    failure.column =
        frame.column > 0 ? frame.column : FirstColumnOfLine(location.sourceText, frame.line);
  }

  failure.source = thrown.isObject() ? StringProperty(thrown, "source") : QString();
  if (failure.source.isEmpty()) {
    failure.source = thrown.errorType() == QJSValue::SyntaxError
                         ? QStringLiteral("Script compilation error")
                         : QStringLiteral("Script runtime error");
  }
  if (thrown.isObject()) failure.description = StringProperty(thrown, "description");
  if (failure.description.isEmpty() && thrown.isError()) {
    failure.description = thrown.property(QStringLiteral("message")).toString();
  }
  if (failure.description.isEmpty() && !thrown.isError()) {
    failure.description = QStringLiteral("Exception thrown and not caught: ") + thrown.toString();
  }
  return failure;
}

std::string FormatFailure(const std::string& shownPath, const ScriptFailure& failure) {
  return shownPath + "(" + std::to_string(failure.line) + ", " + std::to_string(failure.column) +
         ") " + failure.source.toStdString() + ": " + failure.description.toStdString();
}

}  // namespace scripthost
