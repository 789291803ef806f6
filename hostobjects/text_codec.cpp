#include "hostobjects/text_codec.h"

#include "automation/text.h"

namespace hostobjects {

std::optional<Charset> CharsetNamed(std::u16string_view name) {
  using automation::SameNameIgnoringCase;
  for (auto alias : {u"shift_jis", u"shift-jis", u"sjis", u"x-sjis", u"cp932", u"windows-31j",
                     u"ms_kanji", u"csShiftJIS"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Cp932;
  }
  for (auto alias : {u"utf-8", u"utf8", u"unicode-1-1-utf-8", u"x-unicode20utf8"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Utf8;
  }
  for (auto alias : {u"unicode", u"utf-16", u"utf-16le", u"ucs-2"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Utf16LE;
  }
  for (auto alias : {u"unicodeFFFE", u"utf-16be"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Utf16BE;
  }
  for (auto alias : {u"us-ascii", u"ascii", u"us", u"ansi_x3.4-1968"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Ascii;
  }
  for (auto alias : {u"iso-8859-1", u"latin1", u"iso8859-1", u"l1", u"cp28591"}) {
    if (SameNameIgnoringCase(name, alias)) return Charset::Latin1;
  }
  return std::nullopt;
}

std::u16string Decode(Charset charset, std::string_view bytes) {
  switch (charset) {
    case Charset::Cp932:
      return automation::Utf16FromCp932(bytes);
    case Charset::Utf8:
      return automation::Utf16FromUtf8(bytes);
    case Charset::Utf16LE:
    case Charset::Utf16BE: {
      std::u16string text;
      text.reserve(bytes.size() / 2);
      const bool little = charset == Charset::Utf16LE;
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b)));
      }
      return text;
    }
    case Charset::Ascii: {
      std::u16string text;
      for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(byte < 0x80 ? static_cast<char16_t>(byte) : u'?');
      }
      return text;
    }
    case Charset::Latin1: {
      std::u16string text;
      for (char c : bytes) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
      return text;
    }
  }
  return {};
}

std::string Encode(Charset charset, std::u16string_view text) {
  switch (charset) {
    case Charset::Cp932:
      return automation::Cp932FromUtf16(text);
    case Charset::Utf8:
      return automation::Utf8FromUtf16(text);
    case Charset::Utf16LE:
    case Charset::Utf16BE: {
      std::string bytes;
      bytes.reserve(text.size() * 2);
      const bool little = charset == Charset::Utf16LE;
      for (char16_t unit : text) {
        const auto low = static_cast<char>(unit & 0xFF);
        const auto high = static_cast<char>(unit >> 8);
        bytes.push_back(little ? low : high);
        bytes.push_back(little ? high : low);
      }
      return bytes;
    }
    case Charset::Ascii:
    case Charset::Latin1: {
      const char16_t limit = charset == Charset::Ascii ? 0x80 : 0x100;
      std::string bytes;
      for (char16_t unit : text) bytes.push_back(unit < limit ? static_cast<char>(unit) : '?');
      return bytes;
    }
  }
  return {};
}

std::string_view ByteOrderMark(Charset charset) {
  switch (charset) {
    case Charset::Utf8:
      return "\xEF\xBB\xBF";
    case Charset::Utf16LE:
      return "\xFF\xFE";
    case Charset::Utf16BE:
      return "\xFE\xFF";
    default:
      return "";
  }
}

}  // namespace hostobjects
