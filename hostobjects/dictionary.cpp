// Scripting.Dictionary: items under keys of any scalar type, in the order they were added.
// Keys compare as the original compares them: numbers by value whatever their type, strings
// exactly (CompareMode 0) or without regard to case (1 and above), objects by identity.

#include <cmath>
#include <list>
#include <unordered_map>

#include "automation/enumerator.h"
#include "hostobjects/classes.h"
#include "hostobjects/file_errors.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kItem = 0;
constexpr DispId kAdd = 1;
constexpr DispId kCount = 2;
constexpr DispId kExists = 3;
constexpr DispId kItems = 4;
constexpr DispId kKey = 5;
constexpr DispId kKeys = 6;
constexpr DispId kRemove = 7;
constexpr DispId kRemoveAll = 8;
constexpr DispId kCompareMode = 9;
}  // namespace id

using automation::VarType;

// Case folding for text comparison: ASCII, Latin-1 and full-width Latin letters.
char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - u'a' + u'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

struct Key {
  enum Kind : std::uint8_t { Empty, Null, Number, Text, Object } kind = Empty;
  double number = 0;
  std::u16string text;
  const void* object = nullptr;
  friend bool operator==(const Key&, const Key&) = default;
};

struct KeyHash {
  std::size_t operator()(const Key& key) const {
    std::size_t h = std::hash<int>()(key.kind);
    switch (key.kind) {
      case Key::Number:
        return h ^ std::hash<double>()(key.number == 0 ? 0.0 : key.number);
      case Key::Text:
        return h ^ std::hash<std::u16string>()(key.text);
      case Key::Object:
        return h ^ std::hash<const void*>()(key.object);
      default:
        return h;
    }
  }
};

class Dictionary final : public HostObject {
 public:
  Dictionary() : HostObject(u"IDictionary") {
    Indexed(
        u"Item", id::kItem, 1, 0,
        [this](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            if (Status s = automation::CheckArgumentCount(args, 2, 2); !s) return s.error();
            auto key = MakeKey(args[0]);
            if (!key) return key.error();
            Variant value = args[1].Value();
            if (auto* found = Find(*key)) {
              found->item = std::move(value);
            } else {
              Insert(std::move(key).value(), args[0].Value(), std::move(value));
            }
            return Variant();
          }
          if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
          auto key = MakeKey(args[0]);
          if (!key) return key.error();
          if (auto* found = Find(*key)) return found->item;
          // Reading a key that is not there adds it, with an Empty item.
          Insert(std::move(key).value(), args[0].Value(), Variant());
          return Variant();
        },
        true);
    Method(u"Add", id::kAdd, 2, 0, [this](Args args) -> Result<Variant> {
      auto key = MakeKey(args[0]);
      if (!key) return key.error();
      if (Find(*key)) return FileError(kErrKeyExists);
      Insert(std::move(key).value(), args[0].Value(), args[1].Value());
      return Variant();
    });
    Property(u"Count", id::kCount, [this]() -> Result<Variant> {
      return Variant::I4(static_cast<std::int32_t>(entries_.size()));
    });
    Method(u"Exists", id::kExists, 1, 0, [this](Args args) -> Result<Variant> {
      auto key = MakeKey(args[0]);
      if (!key) return key.error();
      return Variant::Bool(Find(*key) != nullptr);
    });
    Method(u"Items", id::kItems, 0, 0, [this](Args) -> Result<Variant> {
      std::vector<Variant> items;
      for (const Entry& e : entries_) items.push_back(e.item);
      return Variant::Array(automation::SafeArray::Variants(std::move(items)));
    });
    Method(u"Keys", id::kKeys, 0, 0, [this](Args) -> Result<Variant> {
      return Variant::Array(automation::SafeArray::Variants(KeyList()));
    });
    Indexed(
        u"Key", id::kKey, 1, 0,
        [this](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind != automation::InvokeKind::PropertyPut) {
            return automation::MakeError(automation::kErrPropertyIsWriteOnly);
          }
          if (Status s = automation::CheckArgumentCount(args, 2, 2); !s) return s.error();
          auto from = MakeKey(args[0]);
          if (!from) return from.error();
          auto to = MakeKey(args[1]);
          if (!to) return to.error();
          auto at = index_.find(*from);
          if (at == index_.end()) return FileError(kErrElementNotFound);
          if (*from == *to) {
            at->second->key = args[1].Value();
            return Variant();
          }
          if (index_.count(*to) != 0) return FileError(kErrKeyExists);
          auto entry = at->second;
          index_.erase(at);
          entry->key = args[1].Value();
          index_.emplace(std::move(to).value(), entry);
          return Variant();
        },
        true);
    Method(u"Remove", id::kRemove, 1, 0, [this](Args args) -> Result<Variant> {
      auto key = MakeKey(args[0]);
      if (!key) return key.error();
      auto at = index_.find(*key);
      if (at == index_.end()) return FileError(kErrElementNotFound);
      entries_.erase(at->second);
      index_.erase(at);
      return Variant();
    });
    Method(u"RemoveAll", id::kRemoveAll, 0, 0, [this](Args) -> Result<Variant> {
      index_.clear();
      entries_.clear();
      return Variant();
    });
    Property(
        u"CompareMode", id::kCompareMode,
        [this]() -> Result<Variant> { return Variant::I4(compareMode_); },
        [this](const Variant& value) -> Status {
          auto mode = automation::ToI4(value);
          if (!mode) return mode.error();
          if (*mode < 0 || !entries_.empty()) return FileError(kErrBadArgument);
          compareMode_ = *mode;
          return Status::Ok();
        });
    Property(u"_NewEnum", automation::kDispIdNewEnum, [this]() -> Result<Variant> {
      return Obj(automation::MakeListEnumerator(KeyList()));
    });
    Finish();
  }

 private:
  struct Entry {
    Variant key;
    Variant item;
  };

  Result<Key> MakeKey(const Variant& given) const {
    const Variant& v = given.Deref();
    if (v.IsArray()) return automation::MakeError(automation::kErrTypeMismatch);
    Key key;
    switch (v.Type()) {
      case VarType::Empty:
        key.kind = Key::Empty;
        break;
      case VarType::Null:
        key.kind = Key::Null;
        break;
      case VarType::String:
        key.kind = Key::Text;
        key.text = v.AsString();
        if (compareMode_ != 0) {
          for (char16_t& c : key.text) c = FoldCase(c);
        }
        break;
      case VarType::Dispatch:
        key.kind = Key::Object;
        key.object = v.AsObject();
        break;
      case VarType::Error:
        return automation::MakeError(automation::kErrTypeMismatch);
      default: {
        auto number = automation::ToR8(v);
        if (!number) return number.error();
        key.kind = Key::Number;
        key.number = *number;
        break;
      }
    }
    return key;
  }

  Entry* Find(const Key& key) {
    auto at = index_.find(key);
    return at == index_.end() ? nullptr : &*at->second;
  }

  void Insert(Key key, Variant keyValue, Variant item) {
    entries_.push_back(Entry{std::move(keyValue), std::move(item)});
    index_.emplace(std::move(key), std::prev(entries_.end()));
  }

  std::vector<Variant> KeyList() const {
    std::vector<Variant> keys;
    for (const Entry& e : entries_) keys.push_back(e.key);
    return keys;
  }

  std::list<Entry> entries_;
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
  std::int32_t compareMode_ = 0;
};

}  // namespace

Ref<automation::Dispatch> CreateDictionary() {
  return automation::MakeObject<Dictionary>();
}

}  // namespace hostobjects
