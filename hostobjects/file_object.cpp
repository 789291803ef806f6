// The File object: an entry with its size and its text.

#include "hostobjects/entry_object.h"
#include "hostobjects/file_errors.h"

namespace hostobjects {
namespace {

constexpr DispId kSize = 1100;
constexpr DispId kOpenAsTextStream = 1101;

class FileObject final : public EntryObject {
 public:
  explicit FileObject(HostPath path) : EntryObject(u"IFile", std::move(path), false) {
    Property(u"Size", kSize, [this]() -> Result<Variant> {
      auto status = Stat();
      if (!status) return status.error();
      return SizeValue(status->size);
    });
    Method(u"OpenAsTextStream", kOpenAsTextStream, 0, 2, [this](Args args) -> Result<Variant> {
      auto iomode = IntArgument(args, 0, 1);
      if (!iomode) return iomode.error();
      auto format = IntArgument(args, 1, 0);
      if (!format) return format.error();
      return OpenTextFile(this->path(), *iomode, false, *format);
    });
    Finish();
  }

  // A size fits a 4-byte integer up to 2 GiB, as the original gives it; beyond, a double.
  static Variant SizeValue(std::uint64_t size) {
    if (size <= 0x7FFFFFFFu) return Variant::I4(static_cast<std::int32_t>(size));
    return Variant::R8(static_cast<double>(size));
  }
};

}  // namespace

Ref<automation::Dispatch> MakeFileObject(HostPath path) {
  return automation::MakeObject<FileObject>(std::move(path));
}

}  // namespace hostobjects
