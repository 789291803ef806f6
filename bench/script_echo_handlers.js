// The script side of bench/script_echo_bench.py with event handlers: TCP echo round trips
// through the socket control, its events delivered to ws_... functions inside WScript.Sleep.
//
//   quorvane-script script_echo_handlers.js HOST PORT SECONDS BLOCK_BYTES
//
// Prints "<round trips> <milliseconds>" when SECONDS have passed.

var args = WScript.Arguments;
var seconds = parseFloat(args(2));
var blockBytes = parseInt(args(3), 10);

var connected = false;
var failed = null;
var received = 0;

function ws_Connect() { connected = true; }
function ws_Error(number, description) { failed = number + " " + description; }
function ws_DataArrival(bytesTotal) {
  var data;
  ws.GetData(data);  // takes what is waiting; the count is enough here
  received += bytesTotal;
}

var ws = WScript.CreateObject("Quorvane.Winsock", "ws_");
ws.Connect(args(0), parseInt(args(1), 10));
while (!connected && failed === null) WScript.Sleep(1);
if (failed !== null) throw new Error("no connection: " + failed);

var text = "";
for (var i = 0; i < blockBytes; ++i) text += String.fromCharCode(65 + (i % 26));
var block = ws.StrToByteArray(text);

var start = new Date().getTime();
var deadline = start + seconds * 1000;
var trips = 0;
while (new Date().getTime() < deadline) {
  ws.SendData(block);
  while (received < blockBytes && failed === null) WScript.Sleep(0);
  if (failed !== null) throw new Error(failed);
  received -= blockBytes;
  ++trips;
}
WScript.Echo(trips + " " + (new Date().getTime() - start));
ws.Close2();
