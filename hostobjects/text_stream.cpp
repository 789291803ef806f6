#include "hostobjects/text_stream.h"

#include "hostobjects/file_errors.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kAtEndOfLine = 1;
constexpr DispId kAtEndOfStream = 2;
constexpr DispId kColumn = 3;
constexpr DispId kLine = 4;
constexpr DispId kClose = 5;
constexpr DispId kRead = 6;
constexpr DispId kReadAll = 7;
constexpr DispId kReadLine = 8;
constexpr DispId kSkip = 9;
constexpr DispId kSkipLine = 10;
constexpr DispId kWrite = 11;
constexpr DispId kWriteBlankLines = 12;
constexpr DispId kWriteLine = 13;
}  // namespace id

class FileChannel final : public TextChannel {
 public:
  explicit FileChannel(platform::File file) : file_(std::move(file)) {}
  bool ReadMore(std::string& into) override {
    if (done_ || !file_.IsOpen()) return false;
    done_ = true;
    char buffer[65536];
    bool any = false;
    for (;;) {
      const long got = file_.ReadUpTo(buffer, sizeof buffer);
      if (got <= 0) break;
      into.append(buffer, static_cast<std::size_t>(got));
      any = true;
      if (static_cast<std::size_t>(got) < sizeof buffer) break;
    }
    return any;
  }
  Status Write(std::string_view bytes) override {
    if (!file_.WriteAll(bytes)) return SystemFileError(platform::LastError(), Subject::File);
    return Status::Ok();
  }
  void Close() override { (void)file_.Close(); }

 private:
  platform::File file_;
  bool done_ = false;
};

class TextStreamObject final : public HostObject {
 public:
  TextStreamObject(std::unique_ptr<TextChannel> channel, StreamMode mode, Charset charset)
      : HostObject(u"ITextStream"), channel_(std::move(channel)), mode_(mode), charset_(charset) {
    Property(u"AtEndOfLine", id::kAtEndOfLine, [this]() -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      Fill(1);
      return Variant::Bool(pos_ >= text_.size() || text_[pos_] == u'\r' || text_[pos_] == u'\n');
    });
    Property(u"AtEndOfStream", id::kAtEndOfStream, [this]() -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      return Variant::Bool(!Fill(1));
    });
    Property(u"Column", id::kColumn, [this]() -> Result<Variant> { return Variant::I4(column_); });
    Property(u"Line", id::kLine, [this]() -> Result<Variant> { return Variant::I4(line_); });
    Method(u"Close", id::kClose, 0, 0, [this](Args) -> Result<Variant> {
      CloseChannel();
      return Variant();
    });
    Method(u"Read", id::kRead, 1, 0, [this](Args args) -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      auto count = IntArgument(args, 0, 0);
      if (!count) return count.error();
      if (*count < 0) return FileError(kErrBadArgument);
      if (!Fill(1)) return FileError(kErrPastEnd);
      Fill(static_cast<std::size_t>(*count));
      return Str(Take(std::min(static_cast<std::size_t>(*count), text_.size() - pos_)));
    });
    Method(u"ReadAll", id::kReadAll, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      if (!Fill(1)) return FileError(kErrPastEnd);
      while (channel_ && !ended_) (void)Fill(text_.size() - pos_ + 1);
      return Str(Take(text_.size() - pos_));
    });
    Method(u"ReadLine", id::kReadLine, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      if (!Fill(1)) return FileError(kErrPastEnd);
      return Str(ReadLine());
    });
    Method(u"Skip", id::kSkip, 1, 0, [this](Args args) -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      auto count = IntArgument(args, 0, 0);
      if (!count) return count.error();
      if (*count < 0) return FileError(kErrBadArgument);
      if (*count > 0 && !Fill(1)) return FileError(kErrPastEnd);
      Fill(static_cast<std::size_t>(*count));
      (void)Take(std::min(static_cast<std::size_t>(*count), text_.size() - pos_));
      return Variant();
    });
    Method(u"SkipLine", id::kSkipLine, 0, 0, [this](Args) -> Result<Variant> {
      if (Status s = Reading(); !s) return s.error();
      if (!Fill(1)) return FileError(kErrPastEnd);
      (void)ReadLine();
      return Variant();
    });
    Method(u"Write", id::kWrite, 1, 0, [this](Args args) -> Result<Variant> {
      auto text = StringArgument(args, 0);
      if (!text) return text.error();
      return Done(WriteText(*text));
    });
    Method(u"WriteLine", id::kWriteLine, 0, 1, [this](Args args) -> Result<Variant> {
      auto text = StringArgument(args, 0);
      if (!text) return text.error();
      return Done(WriteText(*text + u"\r\n"));
    });
    Method(u"WriteBlankLines", id::kWriteBlankLines, 1, 0, [this](Args args) -> Result<Variant> {
      auto count = IntArgument(args, 0, 0);
      if (!count) return count.error();
      if (*count < 0) return FileError(kErrBadArgument);
      std::u16string lines;
      for (std::int32_t i = 0; i < *count; ++i) lines += u"\r\n";
      return Done(WriteText(lines));
    });
    Finish();
  }

 protected:
  ~TextStreamObject() override { CloseChannel(); }

 private:
  static Result<Variant> Done(Status status) {
    if (!status) return status.error();
    return Variant();
  }

  Status Reading() const {
    if (mode_ != StreamMode::Read || !channel_) return FileError(kErrBadFileMode);
    return Status::Ok();
  }

  void CloseChannel() {
    if (!channel_) return;
    channel_->Close();
    channel_.reset();
  }

  // Makes `count` characters available from the position when the channel has them; false when
  // none is left at all.
  bool Fill(std::size_t count) {
    while (text_.size() - pos_ < count && channel_ && !ended_) {
      if (!channel_->ReadMore(raw_)) {
        ended_ = true;
        DecodeRaw(true);
        break;
      }
      DecodeRaw(false);
    }
    return pos_ < text_.size();
  }

  // Moves the whole characters of the raw bytes into the text; at the end, whatever is left.
  void DecodeRaw(bool atEnd) {
    if (!bomChecked_ && (raw_.size() >= 2 || atEnd)) {
      bomChecked_ = true;
      if (charset_ == Charset::Utf16LE && raw_.starts_with("\xFF\xFE")) raw_.erase(0, 2);
    }
    if (!bomChecked_) return;
    std::size_t whole = raw_.size();
    if (!atEnd) {
      if (charset_ == Charset::Utf16LE) {
        whole -= whole % 2;
      } else {
        // A lead byte at the end waits for its trail byte.
        std::size_t i = 0;
        while (i < raw_.size()) {
          if (platform::IsLeadByte(static_cast<unsigned char>(raw_[i]))) {
            if (i + 1 >= raw_.size()) {
              whole = i;
              break;
            }
            i += 2;
          } else {
            ++i;
          }
        }
      }
    }
    if (pos_ > 65536) {
      text_.erase(0, pos_);
      pos_ = 0;
    }
    text_ += Decode(charset_, std::string_view(raw_).substr(0, whole));
    raw_.erase(0, whole);
  }

  void Count(std::u16string_view text) {
    for (char16_t c : text) {
      if (c == u'\n') {
        ++line_;
        column_ = 1;
      } else {
        ++column_;
      }
    }
  }

  std::u16string Take(std::size_t count) {
    std::u16string out = text_.substr(pos_, count);
    pos_ += count;
    Count(out);
    return out;
  }

  std::u16string ReadLine() {
    std::u16string line;
    for (;;) {
      if (!Fill(1)) return line;
      const char16_t c = text_[pos_];
      if (c == u'\n') {
        (void)Take(1);
        return line;
      }
      if (c == u'\r') {
        (void)Take(1);
        if (Fill(1) && text_[pos_] == u'\n') {
          (void)Take(1);
        } else {
          ++line_;
          column_ = 1;
        }
        return line;
      }
      line.push_back(c);
      ++pos_;
      ++column_;
    }
  }

  Status WriteText(std::u16string_view text) {
    if (mode_ == StreamMode::Read || !channel_) return FileError(kErrBadFileMode);
    Count(text);
    return channel_->Write(Encode(charset_, text));
  }

  std::unique_ptr<TextChannel> channel_;
  StreamMode mode_;
  Charset charset_;
  std::string raw_;
  std::u16string text_;
  std::size_t pos_ = 0;
  bool ended_ = false;
  bool bomChecked_ = false;
  std::int32_t line_ = 1;
  std::int32_t column_ = 1;
};

}  // namespace

std::unique_ptr<TextChannel> MakeFileChannel(platform::File file) {
  return std::make_unique<FileChannel>(std::move(file));
}

Ref<automation::Dispatch> MakeTextStream(std::unique_ptr<TextChannel> channel, StreamMode mode,
                                         Charset charset) {
  return automation::MakeObject<TextStreamObject>(std::move(channel), mode, charset);
}

}  // namespace hostobjects
