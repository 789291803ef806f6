// A serial loopback between two ports joined by a null-modem cable (or a socat pair).
//
//   quorvane-script serial_loopback.js PORT_A PORT_B [TEXT]
//
// PORT_A and PORT_B are port numbers: COMn resolves through the per-user alias link
// ~/.config/commtestkit/ports/COMn, else /dev/ttyS(n-1). TEXT (default "hello") goes from A to
// B, and B sends it back to A; each side prints what it received. Both controls run in script
// event mode and report every received byte (RThreshold 1).

var args = WScript.Arguments;
if (args.length < 2) {
  WScript.StdErr.WriteLine("usage: quorvane-script serial_loopback.js PORT_A PORT_B [TEXT]");
  WScript.Quit(2);
}
var text = args.length > 2 ? args(2) : "hello";

function openPort(number) {
  var port = new ActiveXObject("Quorvane.MSComm");
  port.CommPort = parseInt(number, 10);
  port.Settings = "9600,n,8,1";
  port.RThreshold = 1;
  port.InputMode = 1;  // comInputModeBinary
  port.Start_EventForScript();
  port.PortOpen = true;
  return port;
}

// Collects received text on `port` until `length` characters came or `ms` passed.
function receive(port, length, ms) {
  var got = "";
  for (var waited = 0; got.length < length && waited < ms;) {
    var e = new VBArray(port.GetEventParameters()).toArray();
    if (e[0] === undefined) {
      WScript.Sleep(10);
      waited += 10;
    } else if (e[0] === "OnComm" && e[8] === 2) {  // comEvReceive
      got += port.ByteArrayToStr(e[9]);
    }
  }
  return got;
}

var a = openPort(args(0));
var b = openPort(args(1));
a.Output = a.StrToByteArray(text);
var atB = receive(b, text.length, 3000);
WScript.Echo("B received: " + atB);
b.Output = b.StrToByteArray(atB);
WScript.Echo("A received: " + receive(a, text.length, 3000));
a.PortOpen = false;
b.PortOpen = false;
