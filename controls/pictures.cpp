#include "controls/pictures.h"

#include <array>
#include <string_view>

namespace controls {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// The palette of the drawings: one letter per pixel.
Rgb Colour(char letter) {
  switch (letter) {
    case 'k':
      return {0x00, 0x00, 0x00};  // outline
    case 'b':
      return {0x1F, 0x5F, 0xBF};  // blue
    case 'c':
      return {0x7F, 0xBF, 0xFF};  // light blue
    case 'g':
      return {0x80, 0x80, 0x80};  // grey
    case 'y':
      return {0xFF, 0xD7, 0x00};  // yellow
    default:
      return {0xC0, 0xC0, 0xC0};  // the toolbox's background
  }
}

// A socket: two linked computers.
constexpr std::array<std::string_view, 15> kWinsock = {
    "................",  //
    ".kkkkk.....kkkkk",  //
    ".kcccck....kcccc",  //
    ".kcccck....kcccc",  //
    ".kkkkkk....kkkkk",  //
    "...kk.......kk..",  //
    ".kkkkkk...kkkkkk",  //
    "....y........y..",  //
    "....y........y..",  //
    "....yyyyyyyyyy..",  //
    ".......y........",  //
    ".......y........",  //
    "....kkkkkkk.....",  //
    "....kbbbbbk.....",  //
    "....kkkkkkk.....",  //
};

// A serial connector with its nine pins.
constexpr std::array<std::string_view, 15> kMSComm = {
    "................",  //
    "................",  //
    "..kkkkkkkkkkkk..",  //
    "..kggggggggggk..",  //
    "..kgykykykykgk..",  //
    "...kggggggggk...",  //
    "...kgykykykgk...",  //
    "....kggggggk....",  //
    "....kkkkkkkk....",  //
    ".......bb.......",  //
    ".......bb.......",  //
    ".......bb.......",  //
    "......bbbb......",  //
    "................",  //
    "................",  //
};

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> Bitmap(const std::array<std::string_view, 15>& rows) {
  constexpr std::uint32_t kWidth = 16;
  constexpr std::uint32_t kHeight = 15;
  constexpr std::uint32_t kRowBytes = kWidth * 3;  // already a multiple of 4
  std::vector<std::uint8_t> out;
  PutLittle(out, 40, 4);  // header size
  PutLittle(out, kWidth, 4);
  PutLittle(out, kHeight, 4);
  PutLittle(out, 1, 2);   // planes
  PutLittle(out, 24, 2);  // bits per pixel
  PutLittle(out, 0, 4);   // no compression
  PutLittle(out, kRowBytes * kHeight, 4);
  PutLittle(out, 2835, 4);  // 72 dpi
  PutLittle(out, 2835, 4);
  PutLittle(out, 0, 4);
  PutLittle(out, 0, 4);
  for (std::size_t y = kHeight; y-- > 0;) {
    for (char letter : rows[y]) {
      Rgb c = Colour(letter);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
  }
  return out;
}

// Writes codes of `bits` bits, least significant first, as GIF's LZW stream packs them.
class CodeWriter {
 public:
  void Put(unsigned code, int bits) {
    accumulator_ |= code << filled_;
    filled_ += bits;
    while (filled_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      filled_ -= 8;
    }
  }
  std::vector<std::uint8_t> Finish() {
    if (filled_ > 0) bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
    return bytes_;
  }

 private:
  unsigned accumulator_ = 0;
  int filled_ = 0;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::vector<std::uint8_t> WinsockToolboxBitmap() {
  return Bitmap(kWinsock);
}

std::vector<std::uint8_t> MSCommToolboxBitmap() {
  return Bitmap(kMSComm);
}

std::vector<std::uint8_t> SurfacePicture() {
  // Both drawings side by side at double size, on four colours: background, outline, blue,
  // yellow (grey and light blue fold into them).
  constexpr int kSize = 32;
  auto index = [](char letter) -> unsigned {
    switch (letter) {
      case 'k':
        return 1;
      case 'b':
      case 'c':
        return 2;
      case 'y':
      case 'g':
        return 3;
      default:
        return 0;
    }
  };
  std::vector<unsigned> pixels(kSize * kSize, 0);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const auto& drawing = x < 16 ? kWinsock : kMSComm;
      int row = y / 2 < 15 ? y / 2 : 14;
      int column = x < 16 ? x : x - 16;
      // Each half shows its drawing at full width, rows doubled.
      pixels[static_cast<std::size_t>(y * kSize + x)] =
          index(drawing[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
    }
  }

  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutLittle(out, kSize, 2);
  PutLittle(out, kSize, 2);
  out.push_back(0x81);  // global colour table of 4 entries
  out.push_back(0);     // background colour index
  out.push_back(0);     // aspect
  for (char letter : {'.', 'k', 'b', 'y'}) {
    Rgb c = Colour(letter);
    out.insert(out.end(), {c.r, c.g, c.b});
  }
  out.push_back(0x2C);  // image descriptor
  PutLittle(out, 0, 2);
  PutLittle(out, 0, 2);
  PutLittle(out, kSize, 2);
  PutLittle(out, kSize, 2);
  out.push_back(0);  // no local table, not interlaced
  // LZW with a minimum code size of 2: a clear code before every two pixels keeps the table
  // from growing, so every code stays 3 bits wide.
  constexpr unsigned kClear = 4;
  constexpr unsigned kEnd = 5;
  out.push_back(2);
  CodeWriter codes;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % 2 == 0) codes.Put(kClear, 3);
    codes.Put(pixels[i], 3);
  }
  codes.Put(kEnd, 3);
  std::vector<std::uint8_t> data = codes.Finish();
  for (std::size_t at = 0; at < data.size(); at += 255) {
    std::size_t length = data.size() - at < 255 ? data.size() - at : 255;
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  out.push_back(0);     // end of the image data
  out.push_back(0x3B);  // trailer
  return out;
}

}  // namespace controls
