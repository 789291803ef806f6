#pragma once
// A host for the control library as a real one works: a registry in a temporary folder, the
// library and the inner-control doubles registered through their exports, objects created by
// ProgID through the loader, and a poll loop as the apartment's readiness loop.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/connection_point.h"
#include "automation/control.h"
#include "automation/loader.h"
#include "support/temp_dir.h"

namespace controls_test {

namespace pa = automation;
using pa::DispId;
using pa::Ref;
using pa::Variant;

inline constexpr char kQuorvane[] = TK_QUORVANE;
inline constexpr char kDoubles[] = TK_INNER_DOUBLES;

// The test members of the inner doubles.
inline constexpr DispId kTestFire = 1000;
inline constexpr DispId kTestLog = 1001;
inline constexpr DispId kTestFail = 1002;
inline constexpr DispId kTestSetData = 1003;
inline constexpr DispId kTestClearLog = 1004;
inline constexpr DispId kTestArm = 1005;

// Events a host sink received: the DISPID and the arguments by value.
struct ReceivedEvent {
  DispId id;
  std::vector<Variant> args;
};

class ControlsHost : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new control by ProgID, with its inner double.
  Ref<pa::Dispatch> Create(std::u16string_view progId);
  // The inner double of the control created last.
  Ref<pa::Dispatch> InnerDouble();
  // A library resource through the exported lookup.
  std::vector<std::uint8_t> Resource(const char* type, const char* name);
  // The GUID in a 20-byte _IID_/_SRCIID_ resource.
  pa::Guid ResourceGuid(const char* type);

  // Connects a sink that records every event (and lets `onEvent` write by-reference arguments).
  void Listen(pa::Dispatch& control, const char* sourceIidResource,
              std::function<void(DispId, std::span<Variant>)> onEvent = nullptr);

  // The double's test members.
  // Raises an inner event; the arguments after the call (nothing when the handling failed).
  std::vector<Variant> FireInner(DispId event, int byRefMask, std::vector<Variant> args);
  std::string InnerLog();
  void ClearInnerLog();
  void FailInner(DispId member, int number, std::u16string description);
  void SetInnerData(Variant data);

  static pa::Result<Variant> Call(pa::Dispatch& object, std::u16string_view name,
                                  std::vector<Variant> args = {});
  // The 10 elements of an event record.
  static std::vector<Variant> Elements(const Variant& record);

  std::unique_ptr<testing_support::TempDir> home_;
  platform::PollReadinessLoop loop_;
  pa::Loader loader_{&loop_};
  Ref<pa::Dispatch> inner_;
  std::vector<ReceivedEvent> events_;
  std::vector<pa::Advisory> advisories_;
};

}  // namespace controls_test
