#include "hostobjects/file_errors.h"

#include <cerrno>

namespace hostobjects {

automation::Error FileError(std::int32_t number) {
  switch (number) {
    case kErrBadFileMode:
      return automation::MakeError(number, u"Bad file mode");
    case kErrFileExists:
      return automation::MakeError(number, u"File already exists");
    case kErrPastEnd:
      return automation::MakeError(number, u"Input past end of file");
    case kErrPermissionDenied:
      return automation::MakeError(number, u"Permission denied");
    case kErrPathNotFound:
      return automation::MakeError(number, u"Path not found");
    case kErrKeyExists:
      return automation::MakeError(
          number, u"This key is already associated with an element of this collection");
    case kErrElementNotFound:
      return automation::MakeError(number, u"Element not found");
    default:
      return automation::MakeError(number);  // 5, 53 and 75 have the standard texts
  }
}

automation::Error SystemFileError(int systemError, Subject subject) {
  switch (systemError) {
    case ENOENT:
      return FileError(subject == Subject::File ? kErrFileNotFound : kErrPathNotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return FileError(kErrPathNotFound);
    case EEXIST:
    case ENOTEMPTY:
      return FileError(kErrFileExists);
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case EISDIR:
      return FileError(kErrPermissionDenied);
    case EINVAL:
      return FileError(kErrBadArgument);
    default:
      return FileError(kErrPathAccess);
  }
}

}  // namespace hostobjects
