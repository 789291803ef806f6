#include "scripthost/script_source.h"

#include <QStringDecoder>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace scripthost {
namespace {

bool StartsWith(const std::string& bytes, std::string_view mark) {
  return bytes.compare(0, mark.size(), mark) == 0;
}

QString DecodeUtf16(const std::string& bytes, QStringDecoder::Encoding encoding) {
  QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
  return decoder(QByteArrayView(bytes.data() + 2, static_cast<qsizetype>(bytes.size() - 2)));
}

}  // namespace

QString DecodeScriptBytes(const std::string& bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF"))
    return QString::fromUtf8(bytes.data() + 3, bytes.size() - 3);
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes, QStringDecoder::Utf16LE);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes, QStringDecoder::Utf16BE);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromStdString(platform::Cp932ToUtf8(bytes));
}

std::variant<ScriptSource, SourceError> LoadScriptSource(const std::string& path) {
  auto failure = [&path] {
    return SourceError{"cannot read script file \"" + path + "\": " +
                       platform::Cp932ToUtf8(platform::SystemMessageText(platform::LastError()))};
  };
  platform::File file = platform::File::Open(path, platform::File::Mode::Read);
  if (!file.IsOpen()) return failure();
  std::string bytes;
  char buffer[65536];
  for (;;) {
    long got = file.ReadUpTo(buffer, sizeof buffer);
    if (got < 0) return failure();
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return ScriptSource{DecodeScriptBytes(bytes)};
}

}  // namespace scripthost
