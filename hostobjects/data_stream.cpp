// ADODB.Stream: bytes in memory, read and written as binary (byte arrays, as the controls take
// and give them) or as text in a character set, loaded from and saved to files.

#include <algorithm>

#include "hostobjects/classes.h"
#include "hostobjects/text_codec.h"
#include "hostobjects/windows_path.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kType = 1;
constexpr DispId kCharset = 2;
constexpr DispId kLineSeparator = 3;
constexpr DispId kPosition = 4;
constexpr DispId kSize = 5;
constexpr DispId kEOS = 6;
constexpr DispId kState = 7;
constexpr DispId kMode = 8;
constexpr DispId kOpen = 20;
constexpr DispId kClose = 21;
constexpr DispId kRead = 22;
constexpr DispId kWrite = 23;
constexpr DispId kReadText = 24;
constexpr DispId kWriteText = 25;
constexpr DispId kSetEOS = 26;
constexpr DispId kCopyTo = 27;
constexpr DispId kLoadFromFile = 28;
constexpr DispId kSaveToFile = 29;
constexpr DispId kFlush = 30;
constexpr DispId kSkipLine = 31;
}  // namespace id

// The data library's errors.
constexpr std::int32_t kErrInvalidArgument = 3001;
constexpr std::int32_t kErrOpeningFile = 3002;
constexpr std::int32_t kErrWriteFile = 3004;
constexpr std::int32_t kErrIllegalOperation = 3219;
constexpr std::int32_t kErrObjectClosed = 3704;
constexpr std::int32_t kErrObjectOpen = 3705;

Error StreamError(std::int32_t number) {
  switch (number) {
    case kErrInvalidArgument:
      return automation::MakeError(number,
                                   u"Arguments are of the wrong type, are out of acceptable range, "
                                   u"or are in conflict with one another.");
    case kErrOpeningFile:
      return automation::MakeError(number, u"File could not be opened.");
    case kErrWriteFile:
      return automation::MakeError(number, u"Write to file failed.");
    case kErrIllegalOperation:
      return automation::MakeError(number, u"Operation is not allowed in this context.");
    case kErrObjectClosed:
      return automation::MakeError(number, u"Operation is not allowed when the object is closed.");
    default:
      return automation::MakeError(number, u"Operation is not allowed when the object is open.");
  }
}

constexpr std::int32_t kBinary = 1;
constexpr std::int32_t kText = 2;
constexpr std::int32_t kReadAll = -1;
constexpr std::int32_t kReadLine = -2;

// The private side of a stream, for CopyTo between two of them.
class StreamBytes : public automation::Unknown {
 public:
  static constexpr automation::Guid kIid{
      0x3C1E9A52, 0x7D40, 0x4B6E, {0x8F, 0x21, 0x6A, 0x0D, 0x93, 0x5B, 0xC4, 0x17}};
  virtual Status WriteBytes(std::string_view bytes) = 0;

 protected:
  ~StreamBytes() = default;
};

class DataStream final : public HostObject, public StreamBytes {
 public:
  DataStream() : HostObject(u"_Stream") {
    AddProperties();
    AddMethods();
    Finish();
  }

  void* QueryInterface(const automation::Guid& iid) override {
    return HostObject::QueryInterface(iid);
  }
  std::uint32_t AddRef() override { return HostObject::AddRef(); }
  std::uint32_t Release() override { return HostObject::Release(); }

  Status WriteBytes(std::string_view bytes) override {
    if (!open_) return StreamError(kErrObjectClosed);
    Put(bytes);
    return Status::Ok();
  }

 protected:
  void* QueryExtraInterface(const automation::Guid& iid) override {
    if (iid != StreamBytes::kIid) return nullptr;
    HostObject::AddRef();
    return static_cast<StreamBytes*>(this);
  }

 private:
  ~DataStream() override = default;

  Status MustBeOpen() const { return open_ ? Status::Ok() : StreamError(kErrObjectClosed); }
  Status MustBe(std::int32_t type) const {
    if (!open_) return StreamError(kErrObjectClosed);
    return type_ == type ? Status::Ok() : StreamError(kErrIllegalOperation);
  }

  // Writes at the position, over what is there and beyond, and moves the position on.
  void Put(std::string_view bytes) {
    if (position_ + bytes.size() > data_.size()) data_.resize(position_ + bytes.size());
    std::copy(bytes.begin(), bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += bytes.size();
  }

  std::string_view Separator() const {
    switch (lineSeparator_) {
      case 10:
        return "\n";
      case 13:
        return "\r";
      default:
        return "\r\n";
    }
  }

  // The length in bytes of the character at `at`.
  std::size_t CharLength(std::size_t at) const {
    const auto byte = static_cast<unsigned char>(data_[at]);
    const std::size_t left = data_.size() - at;
    std::size_t length = 1;
    switch (charset_) {
      case Charset::Utf16LE:
      case Charset::Utf16BE:
        length = 2;
        break;
      case Charset::Cp932:
        length = ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) ? 2 : 1;
        break;
      case Charset::Utf8:
        length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        break;
      default:
        break;
    }
    return std::min(length, left);
  }

  void SkipByteOrderMark() {
    if (position_ != 0) return;
    const std::string_view mark = ByteOrderMark(charset_);
    if (!mark.empty() && std::string_view(data_).starts_with(mark)) position_ = mark.size();
  }

  std::u16string TakeText(std::int32_t count) {
    SkipByteOrderMark();
    const std::size_t start = position_;
    if (count == kReadLine) {
      const std::string_view separator = Separator();
      std::size_t at = start;
      while (at < data_.size()) {
        if (std::string_view(data_).substr(at).starts_with(EncodedSeparator(separator))) {
          const std::u16string line =
              Decode(charset_, std::string_view(data_).substr(start, at - start));
          position_ = at + EncodedSeparator(separator).size();
          return line;
        }
        at += CharLength(at);
      }
      position_ = data_.size();
      return Decode(charset_, std::string_view(data_).substr(start));
    }
    std::size_t at = start;
    if (count == kReadAll) {
      at = data_.size();
    } else {
      for (std::int32_t n = 0; n < count && at < data_.size(); ++n) at += CharLength(at);
    }
    position_ = at;
    return Decode(charset_, std::string_view(data_).substr(start, at - start));
  }

  std::string EncodedSeparator(std::string_view separator) const {
    std::u16string text(separator.begin(), separator.end());
    return Encode(charset_, text);
  }

  void AddProperties() {
    Property(
        u"Type", id::kType, [this]() -> Result<Variant> { return Variant::I4(type_); },
        [this](const Variant& value) -> Status {
          auto type = automation::ToI4(value);
          if (!type) return type.error();
          if (*type != kBinary && *type != kText) return StreamError(kErrInvalidArgument);
          if (position_ != 0) return StreamError(kErrIllegalOperation);
          type_ = *type;
          return Status::Ok();
        });
    Property(
        u"Charset", id::kCharset, [this]() -> Result<Variant> { return Str(charsetName_); },
        [this](const Variant& value) -> Status {
          auto name = automation::ToString(value);
          if (!name) return name.error();
          auto charset = CharsetNamed(*name);
          if (!charset) return StreamError(kErrInvalidArgument);
          if (position_ != 0) return StreamError(kErrIllegalOperation);
          charset_ = *charset;
          charsetName_ = *name;
          return Status::Ok();
        });
    Property(
        u"LineSeparator", id::kLineSeparator,
        [this]() -> Result<Variant> { return Variant::I4(lineSeparator_); },
        [this](const Variant& value) -> Status {
          auto separator = automation::ToI4(value);
          if (!separator) return separator.error();
          if (*separator != -1 && *separator != 10 && *separator != 13) {
            return StreamError(kErrInvalidArgument);
          }
          lineSeparator_ = *separator;
          return Status::Ok();
        });
    Property(
        u"Position", id::kPosition,
        [this]() -> Result<Variant> {
          if (Status s = MustBeOpen(); !s) return s.error();
          return Variant::I4(static_cast<std::int32_t>(position_));
        },
        [this](const Variant& value) -> Status {
          if (Status s = MustBeOpen(); !s) return s;
          auto position = automation::ToI4(value);
          if (!position) return position.error();
          if (*position < 0 || static_cast<std::size_t>(*position) > data_.size()) {
            return StreamError(kErrInvalidArgument);
          }
          position_ = static_cast<std::size_t>(*position);
          return Status::Ok();
        });
    Property(u"Size", id::kSize, [this]() -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      return Variant::I4(static_cast<std::int32_t>(data_.size()));
    });
    Property(u"EOS", id::kEOS, [this]() -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      return Variant::Bool(position_ >= data_.size());
    });
    Property(u"State", id::kState,
             [this]() -> Result<Variant> { return Variant::I4(open_ ? 1 : 0); });
    Property(
        u"Mode", id::kMode, [this]() -> Result<Variant> { return Variant::I4(mode_); },
        [this](const Variant& value) -> Status {
          auto mode = automation::ToI4(value);
          if (!mode) return mode.error();
          if (open_) return StreamError(kErrObjectOpen);
          mode_ = *mode;
          return Status::Ok();
        });
  }

  void AddMethods() {
    Method(u"Open", id::kOpen, 0, 5, [this](Args args) -> Result<Variant> {
      if (open_) return StreamError(kErrObjectOpen);
      // A stream opened on a source (a URL or a record) is not offered: only an empty one.
      if (const Variant* source = Given(args, 0); source != nullptr && !source->IsEmpty()) {
        auto text = automation::ToString(*source);
        if (!text || !text->empty()) return StreamError(kErrInvalidArgument);
      }
      open_ = true;
      data_.clear();
      position_ = 0;
      return Variant();
    });
    Method(u"Close", id::kClose, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      open_ = false;
      data_.clear();
      data_.shrink_to_fit();
      position_ = 0;
      return Variant();
    });
    Method(u"Flush", id::kFlush, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      return Variant();
    });
    Method(u"Read", id::kRead, 0, 1, [this](Args args) -> Result<Variant> {
      if (Status s = MustBe(kBinary); !s) return s.error();
      auto count = IntArgument(args, 0, kReadAll);
      if (!count) return count.error();
      if (*count < kReadAll) return StreamError(kErrInvalidArgument);
      if (position_ >= data_.size()) return Variant::Null();
      const std::size_t left = data_.size() - position_;
      const std::size_t take =
          *count == kReadAll ? left : std::min(left, static_cast<std::size_t>(*count));
      std::vector<std::uint8_t> bytes(
          data_.begin() + static_cast<std::ptrdiff_t>(position_),
          data_.begin() + static_cast<std::ptrdiff_t>(position_ + take));
      position_ += take;
      return Variant::Bytes(std::move(bytes));
    });
    Method(u"Write", id::kWrite, 1, 0, [this](Args args) -> Result<Variant> {
      if (Status s = MustBe(kBinary); !s) return s.error();
      const Variant& buffer = args[0].Deref();
      if (!buffer.IsArray()) return StreamError(kErrInvalidArgument);
      auto bytes = automation::ToByteArray(buffer);
      if (!bytes) return StreamError(kErrInvalidArgument);
      const auto& raw = bytes->bytes();
      Put(std::string(raw.begin(), raw.end()));
      return Variant();
    });
    Method(u"ReadText", id::kReadText, 0, 1, [this](Args args) -> Result<Variant> {
      if (Status s = MustBe(kText); !s) return s.error();
      auto count = IntArgument(args, 0, kReadAll);
      if (!count) return count.error();
      if (*count < kReadLine) return StreamError(kErrInvalidArgument);
      return Str(TakeText(*count));
    });
    Method(u"SkipLine", id::kSkipLine, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = MustBe(kText); !s) return s.error();
      (void)TakeText(kReadLine);
      return Variant();
    });
    Method(u"WriteText", id::kWriteText, 1, 1, [this](Args args) -> Result<Variant> {
      if (Status s = MustBe(kText); !s) return s.error();
      auto text = StringArgument(args, 0);
      if (!text) return text.error();
      auto option = IntArgument(args, 1, 0);
      if (!option) return option.error();
      if (*option != 0 && *option != 1) return StreamError(kErrInvalidArgument);
      // A text written into an empty stream starts with the set's byte-order mark.
      if (data_.empty() && position_ == 0) Put(ByteOrderMark(charset_));
      Put(Encode(charset_, *text));
      if (*option == 1) Put(EncodedSeparator(Separator()));
      return Variant();
    });
    Method(u"SetEOS", id::kSetEOS, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      data_.resize(position_);
      return Variant();
    });
    Method(u"CopyTo", id::kCopyTo, 1, 1, [this](Args args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      const Variant& target = args[0].Deref();
      if (target.Type() != automation::VarType::Dispatch || target.IsArray() ||
          target.AsObject() == nullptr) {
        return StreamError(kErrInvalidArgument);
      }
      auto destination = automation::QueryInterface<StreamBytes>(target.AsObject());
      if (!destination) return StreamError(kErrInvalidArgument);
      auto count = IntArgument(args, 1, kReadAll);
      if (!count) return count.error();
      if (*count < kReadAll) return StreamError(kErrInvalidArgument);
      std::size_t end = data_.size();
      if (*count != kReadAll) {
        end = position_;
        // A text stream counts characters, a binary one bytes.
        for (std::int32_t n = 0; n < *count && end < data_.size(); ++n) {
          end += type_ == kText ? CharLength(end) : 1;
        }
      }
      const std::string bytes = data_.substr(position_, end - position_);
      position_ = end;
      if (Status s = destination->WriteBytes(bytes); !s) return s.error();
      return Variant();
    });
    Method(u"LoadFromFile", id::kLoadFromFile, 1, 0, [this](Args args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      auto name = StringArgument(args, 0);
      if (!name) return name.error();
      auto path = ResolvePath(*name);
      if (!path) return StreamError(kErrOpeningFile);
      auto status = platform::StatusOf(path->native);
      if (!status || status->kind != platform::EntryKind::File) return StreamError(kErrOpeningFile);
      platform::File file = platform::File::Open(path->native, platform::File::Mode::Read);
      if (!file.IsOpen()) return StreamError(kErrOpeningFile);
      std::string bytes;
      char buffer[65536];
      for (;;) {
        const long got = file.ReadUpTo(buffer, sizeof buffer);
        if (got < 0) return StreamError(kErrOpeningFile);
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < sizeof buffer) break;
      }
      data_ = std::move(bytes);
      position_ = 0;
      return Variant();
    });
    Method(u"SaveToFile", id::kSaveToFile, 1, 1, [this](Args args) -> Result<Variant> {
      if (Status s = MustBeOpen(); !s) return s.error();
      auto name = StringArgument(args, 0);
      if (!name) return name.error();
      auto option = IntArgument(args, 1, 1);
      if (!option) return option.error();
      if (*option != 1 && *option != 2) return StreamError(kErrInvalidArgument);
      auto path = ResolvePath(*name);
      if (!path) return StreamError(kErrWriteFile);
      platform::File file =
          platform::File::Open(path->native, *option == 2 ? platform::File::Mode::CreateTruncate
                                                          : platform::File::Mode::CreateNew);
      if (!file.IsOpen() || !file.WriteAll(data_) || !file.Close()) {
        return StreamError(kErrWriteFile);
      }
      position_ = 0;
      return Variant();
    });
  }

  bool open_ = false;
  std::int32_t type_ = kBinary;
  Charset charset_ = Charset::Utf16LE;
  std::u16string charsetName_ = u"Unicode";
  std::int32_t lineSeparator_ = -1;
  std::int32_t mode_ = 0;
  std::string data_;
  std::size_t position_ = 0;
};

}  // namespace

Ref<automation::Dispatch> CreateDataStream() {
  return automation::MakeObject<DataStream>();
}

}  // namespace hostobjects
