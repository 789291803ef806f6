#include "pagehost/local_files.h"

#include <array>
#include <filesystem>
#include <utility>

namespace pagehost {
namespace {

std::string LowerExtension(std::string_view path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kMediaTypes{{
    {".hta", "text/html"},
    {".htm", "text/html"},
    {".html", "text/html"},
    {".js", "text/javascript"},
    {".css", "text/css"},
    {".txt", "text/plain"},
    {".log", "text/plain"},
    {".csv", "text/plain"},
    {".xml", "text/xml"},
    {".json", "application/json"},
    {".gif", "image/gif"},
    {".png", "image/png"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".bmp", "image/bmp"},
    {".ico", "image/x-icon"},
    {".svg", "image/svg+xml"},
}};

}  // namespace

std::optional<std::string> ResolveLocalRequest(std::string_view root,
                                               std::string_view requestPath) {
  if (requestPath.empty() || requestPath.front() != '/') return std::nullopt;
  const std::filesystem::path folder = std::filesystem::path(root).lexically_normal();
  const std::filesystem::path wanted = std::filesystem::path(requestPath).lexically_normal();
  const std::filesystem::path inside = wanted.lexically_relative(folder);
  if (inside.empty() || inside == "." || *inside.begin() == "..") return std::nullopt;
  return wanted.string();
}

std::string_view MediaTypeOf(std::string_view path) {
  const std::string extension = LowerExtension(path);
  for (const auto& [suffix, type] : kMediaTypes) {
    if (suffix == extension) return type;
  }
  return "application/octet-stream";
}

bool IsPageFile(std::string_view path) {
  return MediaTypeOf(path) == "text/html";
}

bool IsScriptFile(std::string_view path) {
  return MediaTypeOf(path) == "text/javascript";
}

}  // namespace pagehost
