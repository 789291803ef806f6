#include "hostobjects/entry_object.h"

#include "hostobjects/file_errors.h"
#include "platform/last_error.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kPath = 0;  // the default member
constexpr DispId kName = 1000;
constexpr DispId kShortName = 1001;
constexpr DispId kShortPath = 1002;
constexpr DispId kParentFolder = 1003;
constexpr DispId kDateCreated = 1004;
constexpr DispId kDateLastModified = 1005;
constexpr DispId kDateLastAccessed = 1006;
constexpr DispId kAttributes = 1007;
constexpr DispId kType = 1008;
constexpr DispId kCopy = 1009;
constexpr DispId kDelete = 1010;
constexpr DispId kMove = 1011;
}  // namespace id

std::u16string UpperAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

}  // namespace

EntryObject::EntryObject(std::u16string_view interfaceName, HostPath path, bool folder)
    : HostObject(interfaceName), path_(std::move(path)), folder_(folder) {
  Property(u"Path", id::kPath, [this]() -> Result<Variant> { return Str(path_.shown); });
  Property(u"ShortPath", id::kShortPath, [this]() -> Result<Variant> { return Str(path_.shown); });
  Property(
      u"Name", id::kName, [this]() -> Result<Variant> { return Str(FileName(path_.shown)); },
      [this](const Variant& value) -> Status {
        auto name = automation::ToString(value);
        if (!name) return name.error();
        return Rename(*name);
      });
  Property(u"ShortName", id::kShortName,
           [this]() -> Result<Variant> { return Str(FileName(path_.shown)); });
  Property(u"ParentFolder", id::kParentFolder, [this]() -> Result<Variant> {
    if (IsRootPath(path_.shown)) return Variant::Object(nullptr);
    auto parent = ResolvePath(ParentFolderName(path_.shown));
    if (!parent) return parent.error();
    return Obj(MakeFolderObject(std::move(parent).value()));
  });
  auto time = [this](double platform::EntryStatus::*field) {
    return [this, field]() -> Result<Variant> {
      auto status = Stat();
      if (!status) return status.error();
      return DateOfFileTime((*status).*field);
    };
  };
  Property(u"DateCreated", id::kDateCreated, time(&platform::EntryStatus::changed));
  Property(u"DateLastModified", id::kDateLastModified, time(&platform::EntryStatus::modified));
  Property(u"DateLastAccessed", id::kDateLastAccessed, time(&platform::EntryStatus::accessed));
  Property(
      u"Attributes", id::kAttributes,
      [this]() -> Result<Variant> {
        auto status = Stat();
        if (!status) return status.error();
        std::int32_t bits = folder_ ? kAttrDirectory : kAttrArchive;
        if (!status->writable) bits |= kAttrReadOnly;
        if (FileName(path_.shown).starts_with(u".")) bits |= kAttrHidden;
        if (status->isLink) bits |= kAttrAlias;
        return Variant::I4(bits);
      },
      [this](const Variant& value) -> Status {
        auto bits = automation::ToI4(value);
        if (!bits) return bits.error();
        // Only the read-only bit can be given; the others follow from the entry itself.
        if (!platform::SetWritable(path_.native, (*bits & kAttrReadOnly) == 0)) {
          return SystemFileError(platform::LastError(), folder_ ? Subject::Folder : Subject::File);
        }
        return Status::Ok();
      });
  Property(u"Type", id::kType, [this]() -> Result<Variant> {
    if (folder_) return Str(u"File folder");
    std::u16string extension = ExtensionName(path_.shown);
    return Str(extension.empty() ? u"File" : UpperAscii(extension) + u" File");
  });
  Method(u"Copy", id::kCopy, 1, 1, [this](Args args) -> Result<Variant> {
    auto destination = StringArgument(args, 0);
    if (!destination) return destination.error();
    auto overwrite = BoolArgument(args, 1, true);
    if (!overwrite) return overwrite.error();
    Status done = folder_ ? CopyFolders(path_.shown, *destination, *overwrite)
                          : CopyFiles(path_.shown, *destination, *overwrite);
    if (!done) return done.error();
    return Variant();
  });
  Method(u"Delete", id::kDelete, 0, 1, [this](Args args) -> Result<Variant> {
    auto force = BoolArgument(args, 0, false);
    if (!force) return force.error();
    Status done = folder_ ? DeleteFolders(path_.shown, *force) : DeleteFiles(path_.shown, *force);
    if (!done) return done.error();
    return Variant();
  });
  Method(u"Move", id::kMove, 1, 0, [this](Args args) -> Result<Variant> {
    auto destination = StringArgument(args, 0);
    if (!destination) return destination.error();
    if (Status done = MoveTo(*destination); !done) return done.error();
    return Variant();
  });
}

Result<platform::EntryStatus> EntryObject::Stat() const {
  auto status = platform::StatusOf(path_.native);
  if (!status) {
    return SystemFileError(platform::LastError(), folder_ ? Subject::Folder : Subject::File);
  }
  return *status;
}

Status EntryObject::Rename(const std::u16string& name) {
  if (name.empty() || name.find_first_of(u"\\/:*?\"<>|") != std::u16string::npos) {
    return FileError(kErrBadArgument);
  }
  auto target = ResolvePath(BuildPath(ParentFolderName(path_.shown), name));
  if (!target) return target.error();
  if (target->native == path_.native) return Status::Ok();
  if (platform::StatusOf(target->native)) return FileError(kErrFileExists);
  if (!platform::MoveEntry(path_.native, target->native)) {
    return SystemFileError(platform::LastError(), folder_ ? Subject::Folder : Subject::File);
  }
  path_ = std::move(target).value();
  return Status::Ok();
}

Status EntryObject::MoveTo(std::u16string_view destination) {
  Status done =
      folder_ ? MoveFolders(path_.shown, destination) : MoveFiles(path_.shown, destination);
  if (!done) return done;
  const bool intoFolder =
      !destination.empty() && (destination.back() == u'\\' || destination.back() == u'/');
  auto moved = ResolvePath(intoFolder ? BuildPath(destination, FileName(path_.shown))
                                      : std::u16string(destination));
  if (moved) path_ = std::move(moved).value();
  return Status::Ok();
}

}  // namespace hostobjects
