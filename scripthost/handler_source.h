#pragma once
// Finding an event handler's declaration in the script's text. A handler with by-reference
// arguments writes back what it assigned to them; the engine gives no access to a finished
// call's arguments, so the host runs such a handler in a form of its own text that hands its
// arguments object back when it returns.

#include <QString>
#include <optional>

namespace scripthost {

struct FunctionDeclaration {
  int line = 0;        // 1-based line of the word `function`
  QString parameters;  // the text between the parentheses
  QString body;        // the text between the braces
};

// The declaration `function name(...) {...}` at the top level of `source` (not inside another
// function or block). Strings, comments and regular expressions are skipped.
std::optional<FunctionDeclaration> FindTopLevelFunction(const QString& source, const QString& name);

// The text of a function expression that takes the capturing function and returns the handler
// in its writing-back form; its lines match the declaration's, so that errors inside report the
// script's own lines.
QString WritableHandlerSource(const QString& name, const FunctionDeclaration& declaration);

}  // namespace scripthost
