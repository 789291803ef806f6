// Display and reading speed of the bracket notation on one full data block (102,400 bytes) that
// mixes ASCII text, named control codes, double-byte characters and random bytes. Throughput is
// counted in input bytes: block bytes for the display, display characters for the reading.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/notation.h"
#include "platform/cp932.h"

namespace {

constexpr std::size_t kBlockSize = 102400;

std::string MixedBlock() {
  std::mt19937 random(102400);
  const std::string text = "The quick brown fox jumps over the lazy dog 0123456789 ";
  const std::string wide = platform::Cp932("送信データのバイナリ変換表示ソ");
  const unsigned char controls[] = {0x02, 0x03, 0x0D, 0x0A, 0x00, 0x1B, 0x07, 0x7F};
  std::string block;
  while (block.size() < kBlockSize) {
    const std::size_t start = random() % text.size();
    switch (random() % 4) {
      case 0:  // a run of printable ASCII
        block.append(text, start, 1 + random() % (text.size() - start));
        break;
      case 1:  // a few control codes, named and unnamed
        for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k)
          block.push_back(static_cast<char>(controls[random() % sizeof controls]));
        break;
      case 2:  // double-byte characters
        block.append(wide, (random() % (wide.size() / 2)) * 2, 2 + (random() % 4) * 2);
        break;
      default:  // random bytes
        for (int k = 1 + static_cast<int>(random() % 8); k > 0; --k)
          block.push_back(static_cast<char>(random() & 0xFF));
        break;
    }
  }
  block.resize(kBlockSize);
  return block;
}

const std::string& Block() {
  static const std::string block = MixedBlock();
  return block;
}

void BM_BytesToNotation(benchmark::State& state) {
  const bool hexOnly = state.range(0) != 0;
  const std::string& block = Block();
  std::vector<char> out(block.size() * core::kNotationCharsPerByte + 1);
  std::size_t length = 0;
  for (auto _ : state) {
    length = core::BytesToNotation(out.data(), reinterpret_cast<const unsigned char*>(block.data()),
                                   static_cast<long>(block.size()), hexOnly);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
  state.counters["display_chars"] = static_cast<double>(length);
}
BENCHMARK(BM_BytesToNotation)->ArgName("hexOnly")->Arg(0)->Arg(1);

void BM_BytesToNotationString(benchmark::State& state) {
  const bool hexOnly = state.range(0) != 0;
  const std::string& block = Block();
  for (auto _ : state) {
    std::string text = core::BytesToNotation(block, hexOnly);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
}
BENCHMARK(BM_BytesToNotationString)->ArgName("hexOnly")->Arg(0)->Arg(1);

// Reads the block's display in the given mode back into bytes.
void BM_NotationToBytes(benchmark::State& state) {
  const bool hexOnly = state.range(0) != 0;
  const std::string text = core::BytesToNotation(Block(), hexOnly);
  std::vector<unsigned char> out(text.size());
  long count = 0;
  for (auto _ : state) {
    count = core::NotationToBytes(out.data(), text.data(), static_cast<long>(text.size()));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["bytes_out"] = static_cast<double>(count);
}
BENCHMARK(BM_NotationToBytes)->ArgName("hexOnly")->Arg(0)->Arg(1);

void BM_NotationToBytesString(benchmark::State& state) {
  const bool hexOnly = state.range(0) != 0;
  const std::string text = core::BytesToNotation(Block(), hexOnly);
  for (auto _ : state) {
    std::string bytes = core::NotationToBytes(text);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_NotationToBytesString)->ArgName("hexOnly")->Arg(0)->Arg(1);

}  // namespace
