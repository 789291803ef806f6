#include "scripthost/handler_source.h"

#include <QStringList>

namespace scripthost {
namespace {

bool IsIdentifierChar(QChar c) {
  return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// A walk over the script's text that knows where code is: outside strings, comments and
// regular expression literals.
class Scanner {
 public:
  explicit Scanner(const QString& text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  qsizetype Position() const { return pos_; }
  int Line() const { return line_; }

  // Moves past one piece: a blank, a comment, a string or regular expression, a word, or one
  // punctuation character. Returns the word when the piece was one, else an empty text.
  QString Next() {
    QChar c = text_[pos_];
    if (c == QLatin1Char('\n')) {
      ++line_;
      ++pos_;
      return {};
    }
    if (c.isSpace()) {
      ++pos_;
      return {};
    }
    if (c == QLatin1Char('/') && Peek(1) == QLatin1Char('/')) {
      while (!AtEnd() && text_[pos_] != QLatin1Char('\n')) ++pos_;
      return {};
    }
    if (c == QLatin1Char('/') && Peek(1) == QLatin1Char('*')) {
      pos_ += 2;
      while (!AtEnd() && !(text_[pos_] == QLatin1Char('*') && Peek(1) == QLatin1Char('/'))) {
        Advance();
      }
      pos_ = std::min(pos_ + 2, text_.size());
      previousAllowsRegex_ = true;
      return {};
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`')) {
      SkipQuoted(c);
      previousAllowsRegex_ = false;
      return {};
    }
    if (c == QLatin1Char('/') && previousAllowsRegex_) {
      SkipRegex();
      previousAllowsRegex_ = false;
      return {};
    }
    if (IsIdentifierChar(c)) {
      qsizetype start = pos_;
      while (!AtEnd() && IsIdentifierChar(text_[pos_])) ++pos_;
      QString word = text_.mid(start, pos_ - start);
      static const QStringList kBeforeExpression = {
          QStringLiteral("return"), QStringLiteral("typeof"),    QStringLiteral("case"),
          QStringLiteral("do"),     QStringLiteral("else"),      QStringLiteral("in"),
          QStringLiteral("new"),    QStringLiteral("void"),      QStringLiteral("delete"),
          QStringLiteral("throw"),  QStringLiteral("instanceof")};
      previousAllowsRegex_ = kBeforeExpression.contains(word);
      return word;
    }
    ++pos_;
    previousAllowsRegex_ = c != QLatin1Char(')') && c != QLatin1Char(']') && c != QLatin1Char('}');
    return {};
  }

  QChar Peek(qsizetype ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : QChar();
  }

 private:
  void Advance() {
    if (text_[pos_] == QLatin1Char('\n')) ++line_;
    ++pos_;
  }

  void SkipQuoted(QChar quote) {
    ++pos_;
    while (!AtEnd() && text_[pos_] != quote) {
      if (text_[pos_] == QLatin1Char('\\')) ++pos_;
      if (!AtEnd()) Advance();
    }
    if (!AtEnd()) ++pos_;
  }

  void SkipRegex() {
    ++pos_;
    bool inClass = false;
    while (!AtEnd() && text_[pos_] != QLatin1Char('\n')) {
      QChar c = text_[pos_];
      if (c == QLatin1Char('\\')) {
        pos_ += 2;
        continue;
      }
      if (c == QLatin1Char('[')) inClass = true;
      if (c == QLatin1Char(']')) inClass = false;
      ++pos_;
      if (c == QLatin1Char('/') && !inClass) break;
    }
    while (!AtEnd() && IsIdentifierChar(text_[pos_])) ++pos_;
  }

  const QString& text_;
  qsizetype pos_ = 0;
  int line_ = 1;
  bool previousAllowsRegex_ = true;
};

// Moves past blanks and comments; returns the next character of code, or a null character.
QChar NextCodeChar(Scanner& scanner, const QString& text) {
  while (!scanner.AtEnd()) {
    QChar c = text[scanner.Position()];
    bool comment = c == QLatin1Char('/') &&
                   (scanner.Peek(1) == QLatin1Char('/') || scanner.Peek(1) == QLatin1Char('*'));
    if (!c.isSpace() && !comment) return c;
    scanner.Next();
  }
  return {};
}

// From an opening bracket, moves past its matching closing bracket; returns the position of the
// closing bracket, or -1 when the text ends first.
qsizetype SkipBalanced(Scanner& scanner, const QString& text, QChar open, QChar close) {
  int depth = 0;
  while (!scanner.AtEnd()) {
    qsizetype at = scanner.Position();
    QChar c = text[at];
    bool code = !(c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`') ||
                  c == QLatin1Char('/'));
    scanner.Next();
    if (!code) continue;
    if (c == open) ++depth;
    if (c == close && --depth == 0) return at;
  }
  return -1;
}

}  // namespace

std::optional<FunctionDeclaration> FindTopLevelFunction(const QString& source,
                                                        const QString& name) {
  Scanner scanner(source);
  int depth = 0;
  while (!scanner.AtEnd()) {
    QChar c = source[scanner.Position()];
    int line = scanner.Line();
    QString word = scanner.Next();
    if (word.isEmpty()) {
      if (c == QLatin1Char('{')) ++depth;
      if (c == QLatin1Char('}') && depth > 0) --depth;
      continue;
    }
    if (depth != 0 || word != QLatin1String("function")) continue;
    if (NextCodeChar(scanner, source).isNull()) return std::nullopt;
    QString declared = scanner.Next();
    if (declared != name) continue;
    if (NextCodeChar(scanner, source) != QLatin1Char('(')) continue;
    qsizetype open = scanner.Position();
    qsizetype close = SkipBalanced(scanner, source, QLatin1Char('('), QLatin1Char(')'));
    if (close < 0) return std::nullopt;
    if (NextCodeChar(scanner, source) != QLatin1Char('{')) return std::nullopt;
    qsizetype bodyOpen = scanner.Position();
    qsizetype bodyClose = SkipBalanced(scanner, source, QLatin1Char('{'), QLatin1Char('}'));
    if (bodyClose < 0) return std::nullopt;
    return FunctionDeclaration{line, source.mid(open + 1, close - open - 1),
                               source.mid(bodyOpen + 1, bodyClose - bodyOpen - 1)};
  }
  return std::nullopt;
}

QString WritableHandlerSource(const QString& name, const FunctionDeclaration& declaration) {
  return QStringLiteral("(function (__qvCapture) { return function ") + name + QLatin1Char('(') +
         declaration.parameters + QStringLiteral(") { try {") + declaration.body +
         QStringLiteral("} finally { __qvCapture(arguments); } }; })");
}

}  // namespace scripthost
