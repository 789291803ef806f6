#include "automation/error.h"

namespace automation {

std::u16string StandardDescription(std::int32_t number) {
  switch (number) {
    case kErrInvalidProcedureCall:
      return u"Invalid procedure call or argument";
    case kErrOverflow:
      return u"Overflow";
    case kErrOutOfMemory:
      return u"Out of memory";
    case kErrSubscriptOutOfRange:
      return u"Subscript out of range";
    case kErrTypeMismatch:
      return u"Type mismatch";
    case kErrFileNotFound:
      return u"File not found";
    case 75:
      return u"Path/File access error";
    case kErrInvalidUseOfNull:
      return u"Invalid use of Null";
    case kErrInvalidPropertyValue:
      return u"Invalid property value";
    case kErrPropertyIsReadOnly:
      return u"Property is read-only";
    case kErrPropertyIsWriteOnly:
      return u"Property is write-only";
    case kErrCannotCreateObject:
      return u"ActiveX component can't create object";
    case kErrNoSuchMember:
      return u"Object doesn't support this property or method";
    case kErrArgumentNotOptional:
      return u"Argument not optional";
    case kErrWrongArgumentCount:
      return u"Wrong number of arguments or invalid property assignment";
    default:
      return {};
  }
}

Error MakeError(std::int32_t number, std::u16string description, std::u16string source) {
  Error error;
  error.number = number;
  error.description = description.empty() ? StandardDescription(number) : std::move(description);
  error.source = std::move(source);
  error.scode = ScodeOfNumber(number);
  return error;
}

}  // namespace automation
