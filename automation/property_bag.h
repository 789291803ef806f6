#pragma once
// Property bags: where a host keeps a control's design-time properties between sessions.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/variant.h"

namespace automation {

class PropertyBag {
 public:
  // The value stored under `name` (without regard to case), or `defaultValue` when there is none.
  virtual Result<Variant> Read(std::u16string_view name, const Variant& defaultValue) = 0;
  virtual Status Write(std::u16string_view name, const Variant& value) = 0;

 protected:
  ~PropertyBag() = default;
};

// A bag in memory (what tests and hosts that persist nothing use).
class MemoryPropertyBag final : public PropertyBag {
 public:
  Result<Variant> Read(std::u16string_view name, const Variant& defaultValue) override;
  Status Write(std::u16string_view name, const Variant& value) override;
  // Keys in upper case, values as written.
  const std::map<std::u16string, Variant>& values() const { return values_; }

 private:
  std::map<std::u16string, Variant> values_;
};

// A bag over a plain text file: UTF-8, one "Name=value" line per key. Values are stored as their
// text; reading converts the text to the type of the default (a 2-byte integer default reads
// "1" as the integer 1), so the file stays readable and editable. Line breaks and backslashes in
// a value are written as \n, \r and \\. Arrays and objects cannot be stored (error 13).
class TextFilePropertyBag final : public PropertyBag {
 public:
  // Reads `path`; a missing file is an empty bag. Error 53 when the file exists but cannot be read.
  static Result<TextFilePropertyBag> Open(std::string path);

  Result<Variant> Read(std::u16string_view name, const Variant& defaultValue) override;
  Status Write(std::u16string_view name, const Variant& value) override;
  // Writes the file (the keys in the order first written or read from the file).
  Status Save() const;

 private:
  explicit TextFilePropertyBag(std::string path) : path_(std::move(path)) {}
  std::string path_;
  std::vector<std::pair<std::u16string, std::u16string>> entries_;
};

}  // namespace automation
