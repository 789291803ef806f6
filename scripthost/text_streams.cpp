#include "scripthost/text_streams.h"

#include <QStringDecoder>

namespace scripthost {

void OutputStream::Write(const QString& text) {
  QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), file_);
  std::fflush(file_);
}

bool InputStream::ReadChunk() {
  if (ended_) return false;
  char chunk[4096];
  // One line at most per read, so that an interactive reader is not kept waiting for more.
  if (std::fgets(chunk, sizeof chunk, file_) == nullptr) {
    ended_ = true;
    buffer_ += QString::fromUtf8(undecoded_);
    undecoded_.clear();
    return false;
  }
  undecoded_.append(chunk);
  // Decode whole characters only: keep an incomplete UTF-8 sequence at the end for the next read.
  qsizetype keep = 0;
  for (qsizetype i = undecoded_.size() - 1; i >= 0 && keep < 4; --i) {
    auto byte = static_cast<unsigned char>(undecoded_[i]);
    if ((byte & 0xC0) != 0x80) {
      int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      if (undecoded_.size() - i < length) keep = undecoded_.size() - i;
      break;
    }
  }
  buffer_ += QString::fromUtf8(undecoded_.first(undecoded_.size() - keep));
  undecoded_.remove(0, undecoded_.size() - keep);
  return true;
}

void InputStream::Fill(qsizetype count) {
  while (buffer_.size() < count && ReadChunk()) {
  }
}

void InputStream::FillLine() {
  while (!buffer_.contains(QLatin1Char('\n')) && ReadChunk()) {
  }
}

QString InputStream::Take(qsizetype count) {
  count = qMin(count, buffer_.size());
  QString taken = buffer_.left(count);
  buffer_.remove(0, count);
  line_ += static_cast<int>(taken.count(QLatin1Char('\n')));
  return taken;
}

QString InputStream::ReadLine() {
  FillLine();
  qsizetype newline = buffer_.indexOf(QLatin1Char('\n'));
  QString line = Take(newline < 0 ? buffer_.size() : newline + 1);
  if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
  if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return line;
}

QString InputStream::ReadAll() {
  while (ReadChunk()) {
  }
  return Take(buffer_.size());
}

QString InputStream::Read(int count) {
  if (count <= 0) return {};
  Fill(count);
  return Take(count);
}

void InputStream::SkipLine() {
  ReadLine();
}

void InputStream::Skip(int count) {
  Read(count);
}

bool InputStream::AtEndOfStream() {
  Fill(1);
  return buffer_.isEmpty();
}

bool InputStream::AtEndOfLine() {
  Fill(1);
  return buffer_.isEmpty() || buffer_.startsWith(QLatin1Char('\n')) ||
         buffer_.startsWith(QLatin1String("\r\n"));
}

}  // namespace scripthost
