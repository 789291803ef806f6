// The kit's version, shown in the about boxes.
namespace core {
extern const char kKitVersion[] = "2.00";
}  // namespace core
