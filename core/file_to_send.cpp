#include "core/file_to_send.h"

#include <cerrno>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace core {

std::optional<std::string> ReadFileToSend(const std::string& cp932Path, std::size_t limit,
                                          const ErrorBox& showErrorBox) {
  platform::File file;
  if (const std::optional<std::string> native = platform::Cp932ToUtf8Exact(cp932Path)) {
    file = platform::File::Open(*native, platform::File::Mode::Read);
  } else {
    platform::SetLastError(EILSEQ);
  }
  if (!file.IsOpen()) {
    showErrorBox(platform::Cp932("ファイルオープンエラー"));
    return std::nullopt;
  }
  std::string bytes(limit, '\0');
  const long read = file.ReadUpTo(bytes.data(), bytes.size());
  if (read < 0) {
    showErrorBox(platform::Cp932("ファイル読み込みエラー"));
    return std::nullopt;
  }
  bytes.resize(static_cast<std::size_t>(read));
  return bytes;
}

}  // namespace core
