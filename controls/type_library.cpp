// The type library: both classes, their four interfaces and the five enumerations.

#include "controls/type_library.h"
#include "controls/identity.h"

namespace controls {
namespace {

using namespace automation;  // NOLINT: a data table of this layer's types

constexpr EnumMember kProtocolConstants[] = {{u"sckTCPProtocol", 0}, {u"sckUDPProtocol", 1}};
constexpr EnumMember kStateConstants[] = {{u"sckClosed", 0},        {u"sckOpen", 1},
                                          {u"sckListening", 2},     {u"sckConnectionPending", 3},
                                          {u"sckResolvingHost", 4}, {u"sckHostResolved", 5},
                                          {u"sckConnecting", 6},    {u"sckConnected", 7},
                                          {u"sckClosing", 8},       {u"sckError", 9}};
constexpr EnumMember kHandshakeConstants[] = {
    {u"comNone", 0}, {u"comXOnXoff", 1}, {u"comRTS", 2}, {u"comRTSXOnXOff", 3}};
constexpr EnumMember kInputModeConstants[] = {{u"comInputModeText", 0}, {u"comInputModeBinary", 1}};
constexpr EnumMember kOnCommConstants[] = {
    {u"comEvSend", 1}, {u"comEvReceive", 2}, {u"comEvCTS", 3}, {u"comEvDSR", 4},
    {u"comEvCD", 5},   {u"comEvRing", 6},    {u"comEvEOF", 7}};

const EnumInfo kEnums[] = {
    {u"ProtocolConstants", kProtocolConstants},   {u"StateConstants", kStateConstants},
    {u"HandshakeConstants", kHandshakeConstants}, {u"InputModeConstants", kInputModeConstants},
    {u"OnCommConstants", kOnCommConstants},
};

const ClassInfo kClasses[] = {
    {u"Winsock", kWinsockClsid, kClassControl | kClassCanCreate, &kWinsockInterface,
     &kWinsockEvents},
    {u"MSComm", kMSCommClsid, kClassControl | kClassCanCreate, &kMSCommInterface, &kMSCommEvents},
};

const InterfaceInfo* const kInterfaces[] = {&kWinsockInterface, &kWinsockEvents, &kMSCommInterface,
                                            &kMSCommEvents};

}  // namespace

const ClassInfo& WinsockClass() {
  return kClasses[0];
}

const ClassInfo& MSCommClass() {
  return kClasses[1];
}

const TypeLibInfo& QuorvaneTypeLib() {
  static const TypeLibInfo library{u"Quorvane",   u"Quorvane",  kLibId,          kTypeLibMajor,
                                   kTypeLibMinor, kTypeLibLcid, kLibraryControl, kClasses,
                                   kInterfaces,   kEnums};
  return library;
}

}  // namespace controls
