#pragma once
// The script's standard streams (WScript.StdIn, StdOut, StdErr, and Echo). Text is UTF-8 on the
// terminal's side and UTF-16 on the script's. Output is flushed at every call, so that a reader
// on the other end of a pipe sees each line as it is written.

#include <QString>
#include <cstdio>

namespace scripthost {

class OutputStream {
 public:
  explicit OutputStream(std::FILE* file) : file_(file) {}
  void Write(const QString& text);

 private:
  std::FILE* file_;
};

// Standard input, read as the script asks for it. Reads block until the data or the end comes.
class InputStream {
 public:
  explicit InputStream(std::FILE* file) : file_(file) {}

  QString ReadLine();       // without its line end ("\n" or "\r\n")
  QString ReadAll();        // everything up to the end
  QString Read(int count);  // up to `count` characters
  void SkipLine();
  void Skip(int count);
  bool AtEndOfStream();
  bool AtEndOfLine();  // at a line end or at the end of the stream
  int Line() const { return line_; }

 private:
  // Makes at least `count` characters available unless the stream ends first.
  void Fill(qsizetype count);
  // Reads until a line feed is buffered or the stream ends.
  void FillLine();
  bool ReadChunk();
  QString Take(qsizetype count);

  std::FILE* file_;
  QString buffer_;
  QByteArray undecoded_;
  bool ended_ = false;
  int line_ = 1;
};

}  // namespace scripthost
