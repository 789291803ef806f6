// A UDP exchange: two sockets on this machine send each other one datagram each.
//
//   quorvane-script udp_exchange.js [MESSAGE]
//
// Each socket binds a port of the system's choosing; the first sends MESSAGE (default "ping")
// to the second, which answers with the text turned to upper case.

var message = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "ping";

function makeSocket() {
  var s = new ActiveXObject("Quorvane.Winsock");
  s.Protocol = 1;  // sckUDPProtocol
  s.Start_EventForScript();
  s.Bind(0, "127.0.0.1");
  return s;
}

// Waits up to `ms` for the next datagram on `socket` and returns its text.
function receive(socket, ms) {
  for (var waited = 0; waited < ms; waited += 10) {
    var e = new VBArray(socket.GetEventParameters()).toArray();
    if (e[0] === "DataArrival") return socket.ByteArrayToStr(e[9]);
    if (e[0] === "Error") throw new Error("socket error " + e[1] + ": " + e[2]);
    if (e[0] === undefined) WScript.Sleep(10);
  }
  throw new Error("no datagram within " + ms + " ms");
}

var a = makeSocket();
var b = makeSocket();
a.RemoteHost = "127.0.0.1";
a.RemotePort = b.LocalPort;
b.RemoteHost = "127.0.0.1";
b.RemotePort = a.LocalPort;

a.SendData(a.StrToByteArray(message));
var got = receive(b, 3000);
WScript.Echo("b received: " + got);
b.SendData(b.StrToByteArray(got.toUpperCase()));
WScript.Echo("a received: " + receive(a, 3000));
a.Close2();
b.Close2();
