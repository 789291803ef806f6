#pragma once
// The platform's date value (days since 30 December 1899 as a double, local time) and the calendar
// arithmetic around it. The whole part counts days, forward or back; the fraction is the time of
// day, always counted forward from midnight, so -1.25 is 29 December 1899, 06:00.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

struct DateParts {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The date value of a calendar date and time (proleptic Gregorian calendar).
double DateFromParts(const DateParts& parts);
// The calendar date and time of a date value, rounded to the millisecond.
DateParts PartsOfDate(double date);

// A date value from seconds since 1970-01-01 00:00 in local time (already shifted by the caller
// from UTC), and back.
double DateFromLocalSeconds(double seconds);
double LocalSecondsOfDate(double date);

// The text of a date as the original's run time writes it on a system with the Japanese code
// page: "2026/12/11 14:19:25", the date alone when the time is midnight, the time alone
// ("14:19:25") for a value without a day.
std::u16string FormatDate(double date);

// A date from text: "yyyy/mm/dd", "yyyy-mm-dd" or "mm/dd/yyyy", each with an optional
// " hh:mm[:ss]"; or a time alone. Nothing when the text is no date.
std::optional<double> ParseDate(std::u16string_view text);

}  // namespace automation
