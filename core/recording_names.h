#pragma once
// The names of the recording files: the daily log "<folder>/<yyyymmdd>_<name>.log" and the data
// files "<folder>/<yyyymmddhhmmss><sequence>_<tag><direction>.dat". The names are CP932 texts that
// become native (UTF-8) where they are joined to the native folder.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/tool_identity.h"
#include "platform/clock.h"

namespace core {

// The longest full name of a recording file, in native bytes. Full names have always been made
// in buffers of 256 bytes; a longer one is refused rather than cut, so that no record ever lands
// in a file of another name.
inline constexpr std::size_t kMaxRecordingPathBytes = 255;

// "yyyy/mm/dd hh:mm:ss " (20 bytes), the stamp in front of every daily log record.
std::string DailyLogStamp(const platform::LocalTime& time);

// The daily log of the day of `time`. Nothing, with the last error ENAMETOOLONG, when the full
// name is longer than kMaxRecordingPathBytes.
std::optional<std::string> DailyLogPath(const ToolIdentity& tool, std::string_view logFolder,
                                        const platform::LocalTime& time);

// The usual sequence of a data file: the counter modulo 100 in two digits.
std::string ShortDataSequence(std::int64_t count);
// The sequence that stands in when the usual name is taken: the whole counter, at least three
// digits, so that it never equals a two-digit name.
std::string LongDataSequence(std::int64_t count);

// A data file of the second of `time`, with the given sequence and CP932 direction word ("受信",
// "送信"). Nothing, with the last error set, when the direction word is not valid CP932 (EILSEQ)
// or the full name is longer than kMaxRecordingPathBytes (ENAMETOOLONG).
std::optional<std::string> DataFilePath(const ToolIdentity& tool, std::string_view dataFolder,
                                        const platform::LocalTime& time, std::string_view sequence,
                                        std::string_view directionWord);

}  // namespace core
