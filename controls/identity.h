#pragma once
// The library's identity: its type library, its two classes and their interfaces, fixed for
// every build, and its version data.

#include <cstdint>
#include <string_view>

#include "automation/guid.h"

namespace controls {

using automation::Guid;

inline constexpr Guid kLibId{
    0xBE143851, 0xDB5E, 0x4FD9, {0x86, 0x2E, 0xC0, 0xDB, 0x4E, 0x51, 0xB9, 0x1B}};
inline constexpr std::uint16_t kTypeLibMajor = 17;
inline constexpr std::uint16_t kTypeLibMinor = 0;
inline constexpr std::uint32_t kTypeLibLcid = 0;
inline constexpr std::string_view kTypeLibVersion = "17.0";
inline constexpr std::string_view kLibraryName = "Quorvane";

inline constexpr Guid kWinsockClsid{
    0x080D07FA, 0x89B1, 0x4BD7, {0x96, 0x65, 0x56, 0x3A, 0x63, 0x32, 0x1A, 0xAB}};
inline constexpr Guid kWinsockIid{
    0x4A8BF55F, 0x4574, 0x4D8E, {0x8F, 0x11, 0x5A, 0x31, 0xCE, 0x12, 0x91, 0xDE}};
inline constexpr Guid kWinsockEventsIid{
    0xC36C78BF, 0x2E30, 0x46EA, {0x8D, 0xAF, 0xDB, 0xD6, 0xCF, 0xD2, 0xC7, 0xA6}};
inline constexpr Guid kMSCommClsid{
    0x29B8A071, 0xCFFB, 0x4BB6, {0x85, 0x05, 0x7B, 0xC1, 0x57, 0xF6, 0xCD, 0x6A}};
inline constexpr Guid kMSCommIid{
    0xF8148EAD, 0x1977, 0x42C8, {0xA0, 0xB7, 0x9B, 0x56, 0x79, 0x1C, 0x60, 0x36}};
inline constexpr Guid kMSCommEventsIid{
    0xD14BD56A, 0x9DCF, 0x4930, {0xB9, 0x73, 0x7F, 0x26, 0xED, 0xFB, 0x00, 0x6C}};

inline constexpr std::string_view kWinsockProgId = "Quorvane.Winsock";
inline constexpr std::string_view kMSCommProgId = "Quorvane.MSComm";

// Recompose on resize, cannot link inside, inside-out, activate when visible, invisible at run
// time, set client site first.
inline constexpr std::uint32_t kMiscStatus = 0x20591;
inline constexpr int kMSCommBitmap = 30000;
inline constexpr int kWinsockBitmap = 30001;

// Version data.
inline constexpr std::uint16_t kFileVersion[4] = {3, 0, 0, 8};
inline constexpr std::string_view kVersionText = "3.00.0008";
inline constexpr std::uint16_t kVersionLanguage = 0x0411;
inline constexpr std::uint16_t kVersionCodePage = 0x04B0;
inline constexpr std::string_view kOriginalFilename = "Quorvane.ocx";

}  // namespace controls
