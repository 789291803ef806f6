#include "pagehost/event_functions.h"

#include <cstddef>
#include <optional>

namespace pagehost {
namespace {

bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
}

bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// The end of the identifier starting at `at`, or nothing when none starts there.
std::optional<std::size_t> IdentifierEnd(std::string_view text, std::size_t at) {
  if (at >= text.size() || !IsIdentifierStart(text[at])) return std::nullopt;
  while (at < text.size() && IsIdentifierPart(text[at])) ++at;
  return at;
}

struct EventHead {
  std::string_view object;
  std::string_view event;
  std::size_t end;  // the position of the opening parenthesis
};

// An event-function head "function X::E(" whose keyword starts at `at`.
std::optional<EventHead> ParseHead(std::string_view text, std::size_t at) {
  constexpr std::string_view kKeyword = "function";
  if (text.substr(at, kKeyword.size()) != kKeyword) return std::nullopt;
  if (at > 0 && IsIdentifierPart(text[at - 1])) return std::nullopt;
  std::size_t objectStart = at + kKeyword.size();
  if (objectStart >= text.size() || !IsBlank(text[objectStart])) return std::nullopt;
  objectStart = SkipBlanks(text, objectStart);
  auto objectEnd = IdentifierEnd(text, objectStart);
  if (!objectEnd) return std::nullopt;
  std::size_t colons = SkipBlanks(text, *objectEnd);
  if (text.substr(colons, 2) != "::") return std::nullopt;
  std::size_t eventStart = SkipBlanks(text, colons + 2);
  auto eventEnd = IdentifierEnd(text, eventStart);
  if (!eventEnd) return std::nullopt;
  std::size_t paren = SkipBlanks(text, *eventEnd);
  if (paren >= text.size() || text[paren] != '(') return std::nullopt;
  return EventHead{text.substr(objectStart, *objectEnd - objectStart),
                   text.substr(eventStart, *eventEnd - eventStart), paren};
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The position of `needle` (ASCII, lower case) in `text` from `from`, without regard to case.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Lower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string EventFunctionName(std::string_view object, std::string_view event) {
  std::string name(object);
  name += "$$";
  name += event;
  return name;
}

std::string RewriteEventFunctions(std::string_view script) {
  std::string out;
  out.reserve(script.size());
  std::size_t copied = 0;
  for (std::size_t at = script.find("function"); at != std::string_view::npos;
       at = script.find("function", at + 1)) {
    auto head = ParseHead(script, at);
    if (!head) continue;
    out.append(script.substr(copied, at - copied));
    out += "function ";
    out += EventFunctionName(head->object, head->event);
    // Line breaks inside the head stay, so that the lines after it keep their numbers.
    for (std::size_t i = at; i < head->end; ++i) {
      if (script[i] == '\n') out += '\n';
    }
    copied = head->end;
    at = head->end;
  }
  out.append(script.substr(copied));
  return out;
}

std::string RewriteEventFunctionsInPage(std::string_view page) {
  std::string out;
  out.reserve(page.size());
  std::size_t copied = 0;
  std::size_t open = FindIgnoringCase(page, "<script", 0);
  while (open != std::string_view::npos) {
    std::size_t bodyStart = page.find('>', open);
    if (bodyStart == std::string_view::npos) break;
    ++bodyStart;
    std::size_t close = FindIgnoringCase(page, "</script", bodyStart);
    std::size_t bodyEnd = close == std::string_view::npos ? page.size() : close;
    out.append(page.substr(copied, bodyStart - copied));
    out += RewriteEventFunctions(page.substr(bodyStart, bodyEnd - bodyStart));
    copied = bodyEnd;
    if (close == std::string_view::npos) break;
    open = FindIgnoringCase(page, "<script", close + 1);
  }
  out.append(page.substr(copied));
  return out;
}

}  // namespace pagehost
