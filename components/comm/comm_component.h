#pragma once
// The comm component: one serial port driven as scripts drive the original platform's comm control.
// It opens the port by number, applies line settings, keeps an input and an output buffer, and
// reports what happens on the line as OnComm notifications with an event code in CommEvent.
//
// The component lives on one thread, the thread of the readiness loop it is given: the port is
// read and written from that loop's callbacks, never from a thread of its own, and OnComm runs
// there too. Notifications that a property call causes (a full output buffer, a port that fails
// while written) are delivered from the loop after the call has returned, never inside it.
//
// Every property write returns a CommStatus with the original platform control's error number.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/byte_queue.h"
#include "components/comm/comm_errors.h"
#include "components/comm/input_buffer.h"
#include "components/owner_hold.h"
#include "platform/readiness.h"
#include "platform/serial_device.h"
#include "platform/unique_fd.h"
#include "platform/wake_event.h"

namespace components::comm {

// The event codes of CommEvent.
enum CommEventCode : std::int16_t {
  kComEvSend = 1,
  kComEvReceive = 2,
  kComEvCTS = 3,
  kComEvDSR = 4,
  kComEvCD = 5,
  kComEvRing = 6,
  kComEvEOF = 7,
  kComEventBreak = 1001,
  kComEventFrame = 1004,
  kComEventOverrun = 1006,
  kComEventRxOver = 1008,
  kComEventRxParity = 1009,
  kComEventTxFull = 1010,
  kComEventDCB = 1011,
};

enum Handshake : int { kComNone = 0, kComXOnXoff = 1, kComRTS = 2, kComRTSXOnXOff = 3 };
enum InputModeCode : int { kComInputModeText = 0, kComInputModeBinary = 1 };

// The byte that ends a text file: with EOFEnable its arrival is reported.
inline constexpr char kEofByte = 0x1A;

// The device path for a port number, or nothing when the number names no port.
using PortPathRule = std::function<std::optional<std::string>(int number)>;

class CommComponent {
 public:
  // `rule` defaults to the COMn rule of the serial layer (a port link, else /dev/ttyS(n-1)).
  CommComponent(platform::ReadinessLoop& loop, platform::SerialDeviceOpener& opener,
                PortPathRule rule = {});
  explicit CommComponent(platform::ReadinessLoop& loop);
  ~CommComponent();
  CommComponent(const CommComponent&) = delete;
  CommComponent& operator=(const CommComponent&) = delete;

  // Runs for every event, with CommEvent already set. The handler may use every member,
  // close the port and even destroy the component.
  void SetOnComm(std::function<void()> onComm) { onComm_ = std::move(onComm); }
  // What keeps the component's owner alive through each loop callback (components/owner_hold.h).
  void SetOwnerHold(OwnerHold hold) { owner_.Set(std::move(hold)); }

  // Port number: 1 to 256, written only while the port is closed.
  int CommPort() const { return commPort_; }
  CommStatus SetCommPort(int number);

  bool PortOpen() const { return device_ != nullptr; }
  CommStatus SetPortOpen(bool open);

  // "BBBB,P,D,S"; applied at once while the port is open.
  const std::string& Settings() const { return settingsText_; }
  CommStatus SetSettings(std::string_view text);

  int Handshaking() const { return handshaking_; }
  CommStatus SetHandshaking(int handshake);

  bool DTREnable() const { return dtrEnable_; }
  CommStatus SetDTREnable(bool on);
  bool RTSEnable() const { return rtsEnable_; }
  CommStatus SetRTSEnable(bool on);

  // Buffer sizes, written only while the port is closed.
  int InBufferSize() const { return inBufferSize_; }
  CommStatus SetInBufferSize(int size);
  int OutBufferSize() const { return outBufferSize_; }
  CommStatus SetOutBufferSize(int size);

  // Bytes waiting in the buffers; writing 0 empties a buffer. Only while the port is open.
  CommStatus InBufferCount(int& count) const;
  CommStatus SetInBufferCount(int count);
  CommStatus OutBufferCount(int& count) const;
  CommStatus SetOutBufferCount(int count);

  int InputLen() const { return inputLen_; }
  CommStatus SetInputLen(int length);
  int InputMode() const { return inputMode_; }
  CommStatus SetInputMode(int mode);

  // Takes received bytes: with InputLen 0 everything waiting, else exactly InputLen bytes or
  // none while fewer wait. In text mode with InputLen 0 the first byte of a double-byte
  // character whose second byte has not come yet stays for the next Input.
  CommStatus Input(std::string& bytes);
  CommStatus Input(std::vector<std::uint8_t>& bytes);
  // Queues bytes for sending; never waits for the port.
  CommStatus Output(std::string_view bytes);

  int RThreshold() const { return rThreshold_; }
  CommStatus SetRThreshold(int count);
  int SThreshold() const { return sThreshold_; }
  CommStatus SetSThreshold(int count);

  bool EOFEnable() const { return eofEnable_; }
  void SetEOFEnable(bool on) { eofEnable_ = on; }
  bool NullDiscard() const { return nullDiscard_; }
  void SetNullDiscard(bool on) { nullDiscard_ = on; }
  // One character (byte) that replaces a byte received with a parity error; "" keeps such bytes.
  const std::string& ParityReplace() const { return parityReplace_; }
  CommStatus SetParityReplace(std::string_view replacement);

  bool Break() const { return break_; }
  CommStatus SetBreak(bool on);

  // The modem input lines (false where the port has none); only while the port is open.
  CommStatus CDHolding(bool& on) const;
  CommStatus CTSHolding(bool& on) const;
  CommStatus DSRHolding(bool& on) const;

  // The port's descriptor while open, -1 while closed.
  int CommID() const;
  // The code of the last event, 0 before the first.
  std::int16_t CommEvent() const { return commEvent_; }

 private:
  platform::SerialLineSettings LineSettings(const platform::SerialLineSettings& framing) const;
  CommStatus Reconfigure(const platform::SerialLineSettings& framing);
  void ClosePort();
  // Whether the component still lives (and is not reopened or closed since `generation`): a
  // static function, so that a component a handler destroyed is never called into.
  static bool Current(const CommComponent* self, const std::weak_ptr<int>& alive,
                      std::uint64_t generation);

  void OnReadable();
  void OnWritable();
  void OnModemChange();
  void OnNotice();
  // Reports one read from the port: whether bytes were added to the buffer, whether bytes were
  // lost for want of room, whether an end-of-file byte came. False when the port went away
  // meanwhile.
  bool Arrived(bool added, bool overflow, bool eof);
  template <class Bytes>
  CommStatus TakeInput(Bytes& bytes);
  void CollectLineErrors(std::vector<std::int16_t>& events);
  void PortLost(bool fromPropertyCall);
  // Raises an event now; false when the handler closed the port or destroyed the component.
  bool Fire(std::int16_t code);
  // Raises an event from the loop, after the current property call.
  void Defer(std::int16_t code);
  void CheckSendThreshold(bool fromPropertyCall);
  void WriteFromQueue();

  platform::ReadinessLoop& loop_;
  platform::SerialDeviceOpener& opener_;
  PortPathRule rule_;
  std::function<void()> onComm_;

  int commPort_ = 1;
  std::string settingsText_ = "9600,n,8,1";
  platform::SerialLineSettings framing_;
  int handshaking_ = kComNone;
  bool dtrEnable_ = true;
  bool rtsEnable_ = false;
  int inBufferSize_ = 1024;
  int outBufferSize_ = 512;
  int inputLen_ = 0;
  int inputMode_ = kComInputModeText;
  int rThreshold_ = 0;
  int sThreshold_ = 0;
  bool eofEnable_ = false;
  bool nullDiscard_ = false;
  std::string parityReplace_ = "?";
  bool break_ = false;
  std::int16_t commEvent_ = 0;

  // The open port.
  std::shared_ptr<platform::SerialDevice> device_;
  bool lost_ = false;             // the port failed (unplugged): no more reading or writing
  bool lossReported_ = false;     // the event telling the loss has been handled
  std::uint64_t generation_ = 0;  // counts opens and closes, so a handler's close is noticed
  std::unique_ptr<platform::ReadinessWatch> readWatch_;
  std::unique_ptr<platform::ReadinessWatch> writeWatch_;
  std::unique_ptr<platform::ReadinessWatch> modemWatch_;
  InputBuffer input_;
  components::ByteQueue output_;
  std::string scratch_;     // what is read while the input buffer is full, to be dropped
  bool sendArmed_ = false;  // the output queue has held SThreshold bytes since the last comEvSend
  platform::ModemLines lines_;
  bool countsKept_ = false;  // the port keeps receive error counts
  platform::SerialErrorCounts counts_;

  // Events waiting for the loop.
  platform::WakeEvent notice_;
  std::unique_ptr<platform::ReadinessWatch> noticeWatch_;
  std::vector<std::int16_t> deferred_;

  // Held while the component lives; a handler that destroys it is noticed through a weak copy.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  OwnerHolder owner_;
};

}  // namespace components::comm
