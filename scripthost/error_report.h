#pragma once
// The report of an error that no script code caught: `script.js(line, column) source: description`,
// as the original platform's host prints it.

#include <QJSValue>
#include <QString>
#include <QStringList>
#include <string>

namespace scripthost {

// Where the script's own code stands in the engine's stack traces: the file name that the engine
// records for it, and the source text to find a line's first column in.
struct ScriptLocation {
  QString engineFileName;
  QString sourceText;
  QString evaluatedAs;    // the file name the script was evaluated under
  std::string shownPath;  // the script's path as the command line gave it, for reports
};

struct ScriptFailure {
  int line = 0;    // 1-based; 0 when no frame of the script is known
  int column = 0;  // 1-based
  QString source;
  QString description;
};

// Describes a thrown value. `trace` is the engine's exception trace when one was taken (entries
// "function:line:column:file"); an Error object carries its own stack.
ScriptFailure DescribeThrown(const QJSValue& thrown, const QStringList& trace,
                             const ScriptLocation& location);

// The one line written to standard error, without a line feed.
std::string FormatFailure(const std::string& shownPath, const ScriptFailure& failure);

// The column of the first character on `line` (1-based) that is not a blank: the engine gives
// no column for run-time errors, and a statement starts there.
int FirstColumnOfLine(const QString& text, int line);

}  // namespace scripthost
