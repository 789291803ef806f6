#pragma once
// Reading a file that is about to be sent: a file of "FILE送信", a dropped file, a file named by
// a list, or the list file itself.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// Shows the modal error box with a caption (CP932) and the system text of the last error.
using ErrorBox = std::function<void(std::string_view caption)>;

// The first `limit` bytes of the file named by a CP932 path. A name that the system cannot hold
// (no exact conversion) fails as a file that cannot be opened, with EILSEQ. Opening never waits
// (platform::File::Mode::Read). On failure the box "ファイルオープンエラー" or
// "ファイル読み込みエラー" is shown, and nothing is returned.
std::optional<std::string> ReadFileToSend(const std::string& cp932Path, std::size_t limit,
                                          const ErrorBox& showErrorBox);

}  // namespace core
