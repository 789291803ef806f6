// The script side of bench/script_echo_bench.py: TCP echo round trips through the socket
// control in script event mode, polling between sleeps.
//
//   quorvane-script script_echo_client.js HOST PORT SECONDS SLEEP_MS BLOCK_BYTES
//
// Prints "<round trips> <milliseconds>" when SECONDS have passed.

var args = WScript.Arguments;
var seconds = parseFloat(args(2));
var sleepMs = parseInt(args(3), 10);
var blockBytes = parseInt(args(4), 10);

var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
ws.Connect(args(0), parseInt(args(1), 10));

var text = "";
for (var i = 0; i < blockBytes; ++i) text += String.fromCharCode(65 + (i % 26));
var block = ws.StrToByteArray(text);

function next() {
  for (;;) {
    var e = new VBArray(ws.GetEventParameters()).toArray();
    if (e[0] === "SendProgress" || e[0] === "SendComplete") continue;
    if (e[0] !== undefined) return e;
    WScript.Sleep(sleepMs);
  }
}

var e = next();
if (e[0] !== "Connect") throw new Error("no connection: " + e[0] + " " + e[2]);
var start = new Date().getTime();
var deadline = start + seconds * 1000;
var trips = 0;
while (new Date().getTime() < deadline) {
  ws.SendData(block);
  var received = 0;
  while (received < blockBytes) {
    e = next();
    if (e[0] !== "DataArrival") throw new Error("unexpected " + e[0] + " " + e[2]);
    received += e[1];
  }
  ++trips;
}
WScript.Echo(trips + " " + (new Date().getTime() - start));
ws.Close2();
