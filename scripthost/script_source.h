#pragma once
// Reading a script file. Scripts come from the original platform as files in its system code page
// (CP932) or in UTF-16 with a byte-order mark; scripts written here are UTF-8. The text is decoded
// by its mark, else as UTF-8 when it is valid UTF-8, else as CP932.

#include <QString>
#include <string>
#include <variant>

namespace scripthost {

struct ScriptSource {
  QString text;
};

// Why a script file could not be read, as a sentence for standard error.
struct SourceError {
  std::string message;
};

std::variant<ScriptSource, SourceError> LoadScriptSource(const std::string& path);

// The decoding alone, for bytes already read.
QString DecodeScriptBytes(const std::string& bytes);

}  // namespace scripthost
