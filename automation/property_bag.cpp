#include "automation/property_bag.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "automation/coercion.h"
#include "automation/text.h"

namespace automation {
namespace {

std::u16string UpperKey(std::u16string_view name) {
  std::u16string key(name);
  for (char16_t& c : key) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return key;
}

// A stored text read as the type of the default; a default of Empty (or a string) keeps the text.
Result<Variant> AsTypeOf(const std::u16string& text, const Variant& defaultValue) {
  VarType type = defaultValue.Deref().Type();
  if (defaultValue.Deref().IsArray() || type == VarType::Empty || type == VarType::String ||
      type == VarType::Variant) {
    return Variant::String(text);
  }
  return ChangeType(Variant::String(text), type);
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

Result<Variant> MemoryPropertyBag::Read(std::u16string_view name, const Variant& defaultValue) {
  auto found = values_.find(UpperKey(name));
  if (found == values_.end()) return defaultValue.Value();
  return found->second;
}

Status MemoryPropertyBag::Write(std::u16string_view name, const Variant& value) {
  values_[UpperKey(name)] = value.Value();
  return Status::Ok();
}

Result<TextFilePropertyBag> TextFilePropertyBag::Open(std::string path) {
  TextFilePropertyBag bag(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return bag;
    return MakeError(kErrFileNotFound);
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string::npos) continue;
    bag.entries_.emplace_back(Utf16FromUtf8(line.substr(0, equals)),
                              Utf16FromUtf8(Unescape(line.substr(equals + 1))));
  }
  return bag;
}

Result<Variant> TextFilePropertyBag::Read(std::u16string_view name, const Variant& defaultValue) {
  for (const auto& [key, text] : entries_) {
    if (SameNameIgnoringCase(key, name)) return AsTypeOf(text, defaultValue);
  }
  return defaultValue.Value();
}

Status TextFilePropertyBag::Write(std::u16string_view name, const Variant& value) {
  const Variant& v = value.Deref();
  if (v.IsArray() || v.Type() == VarType::Dispatch) return MakeError(kErrTypeMismatch);
  std::u16string text;
  if (v.Type() == VarType::Bool) {
    // Booleans are kept as numbers, which read back as Booleans and as integers alike.
    text = v.AsBool() ? u"-1" : u"0";
  } else {
    auto converted = ToString(v);
    if (!converted) return converted.error();
    text = std::move(converted).value();
  }
  for (auto& [key, stored] : entries_) {
    if (SameNameIgnoringCase(key, name)) {
      stored = std::move(text);
      return Status::Ok();
    }
  }
  entries_.emplace_back(std::u16string(name), std::move(text));
  return Status::Ok();
}

Status TextFilePropertyBag::Save() const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  if (!out) return MakeError(75);
  for (const auto& [key, text] : entries_) {
    out << Utf8FromUtf16(key) << '=' << Escape(Utf8FromUtf16(text)) << '\n';
  }
  out.flush();
  if (!out) return MakeError(75);
  return Status::Ok();
}

}  // namespace automation
