// A hex dump of what a TCP peer sends: connects, then prints each received block as
// hexadecimal text, one line per block, until the peer closes.
//
//   quorvane-script hex_dump.js HOST PORT

var args = WScript.Arguments;
if (args.length < 2) {
  WScript.StdErr.WriteLine("usage: quorvane-script hex_dump.js HOST PORT");
  WScript.Quit(2);
}

var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
ws.Connect(args(0), parseInt(args(1), 10));

var total = 0;
for (;;) {
  var e = new VBArray(ws.GetEventParameters()).toArray();
  if (e[0] === undefined) {
    WScript.Sleep(10);
  } else if (e[0] === "DataArrival") {
    total += e[1];
    WScript.Echo(ws.ByteArrayToHex(e[9]));
  } else if (e[0] === "Close2") {
    break;
  } else if (e[0] === "Error") {
    WScript.StdErr.WriteLine("error " + e[1] + ": " + e[2]);
    WScript.Quit(1);
  }
}
WScript.Echo(total + " bytes");
