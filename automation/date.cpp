#include "automation/date.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace automation {
namespace {

// Days from 1970-01-01 to a civil date, and back (Howard Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, DateParts& parts) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp + (mp < 10 ? 3 : -9);
  parts.year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  parts.month = static_cast<int>(m);
  parts.day = static_cast<int>(d);
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochShift = -25569;
constexpr double kMillisecondsPerDay = 86400000.0;

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* c = text; *c != '\0'; ++c) out.push_back(static_cast<char16_t>(*c));
  return out;
}

// The numbers in a text and the separators between them.
struct Pieces {
  std::vector<int> numbers;
  std::u16string separators;
};

std::optional<Pieces> Split(std::u16string_view text) {
  Pieces pieces;
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  while (i < text.size()) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    long value = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && digits < 9) {
      value = value * 10 + (text[i] - u'0');
      ++i;
      ++digits;
    }
    pieces.numbers.push_back(static_cast<int>(value));
    std::size_t blanks = 0;
    while (i < text.size() && text[i] == u' ') {
      ++i;
      ++blanks;
    }
    if (i >= text.size()) break;
    if (text[i] == u'/' || text[i] == u'-' || text[i] == u':') {
      pieces.separators.push_back(text[i]);
      ++i;
      while (i < text.size() && text[i] == u' ') ++i;
    } else if (blanks > 0) {
      pieces.separators.push_back(u' ');
    } else {
      return std::nullopt;
    }
  }
  return pieces;
}

bool ValidDate(const DateParts& p) {
  if (p.month < 1 || p.month > 12 || p.day < 1 || p.year < 100 || p.year > 9999) return false;
  DateParts check;
  CivilFromDays(DaysFromCivil(p.year, p.month, p.day), check);
  return check.day == p.day;
}

}  // namespace

double DateFromParts(const DateParts& parts) {
  const std::int64_t days = DaysFromCivil(parts.year, parts.month, parts.day) - kEpochShift;
  const double time = ((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) / 86400.0 +
                      parts.millisecond / kMillisecondsPerDay;
  // Before the epoch the fraction still counts forward from midnight: the value goes further
  // from zero.
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

DateParts PartsOfDate(double date) {
  double whole = std::trunc(date);
  double fraction = std::fabs(date - whole);
  auto ms = static_cast<std::int64_t>(std::llround(fraction * kMillisecondsPerDay));
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += date >= 0 ? 1 : -1;
  }
  DateParts parts;
  CivilFromDays(static_cast<std::int64_t>(whole) + kEpochShift, parts);
  parts.millisecond = static_cast<int>(ms % 1000);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.hour = static_cast<int>(ms / 3600000);
  return parts;
}

double DateFromLocalSeconds(double seconds) {
  const double days = std::floor(seconds / 86400.0);
  const double time = (seconds - days * 86400.0) / 86400.0;
  const double whole = days - static_cast<double>(kEpochShift);
  return whole >= 0 ? whole + time : whole - time;
}

double LocalSecondsOfDate(double date) {
  const double whole = std::trunc(date);
  const double fraction = std::fabs(date - whole);
  return (whole + static_cast<double>(kEpochShift) + fraction) * 86400.0;
}

std::u16string FormatDate(double date) {
  const DateParts p = PartsOfDate(date);
  char buffer[48];
  const bool hasDay = std::trunc(date) != 0;
  const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
  if (hasDay && !hasTime) {
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", p.year, p.month, p.day);
  } else if (!hasDay) {
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", p.hour, p.minute, p.second);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
  }
  return Ascii(buffer);
}

std::optional<double> ParseDate(std::u16string_view text) {
  auto pieces = Split(text);
  if (!pieces || pieces->numbers.empty()) return std::nullopt;
  const auto& n = pieces->numbers;
  const std::u16string& s = pieces->separators;
  DateParts parts;
  std::size_t next = 0;
  bool hasDate = false;
  if (n.size() >= 3 && s.size() >= 2 && s[0] != u':' && s[0] == s[1]) {
    if (n[0] >= 100) {
      parts.year = n[0];
      parts.month = n[1];
      parts.day = n[2];
    } else {
      parts.month = n[0];
      parts.day = n[1];
      parts.year = n[2] < 100 ? (n[2] < 30 ? 2000 + n[2] : 1900 + n[2]) : n[2];
    }
    if (!ValidDate(parts)) return std::nullopt;
    hasDate = true;
    next = 3;
    if (next < n.size() && s[2] != u' ') return std::nullopt;
  }
  if (next < n.size()) {
    const std::size_t left = n.size() - next;
    if (left < 2 || left > 3) return std::nullopt;
    for (std::size_t k = next; k + 1 < n.size(); ++k) {
      if (s[k] != u':') return std::nullopt;
    }
    parts.hour = n[next];
    parts.minute = n[next + 1];
    parts.second = left == 3 ? n[next + 2] : 0;
    if (parts.hour > 23 || parts.minute > 59 || parts.second > 59) return std::nullopt;
  } else if (!hasDate) {
    return std::nullopt;
  }
  return DateFromParts(parts);
}

}  // namespace automation
