// A TCP client that sends one command and prints the answer.
//
//   quorvane-script tcp_client.js HOST PORT COMMAND [WAIT_MS]
//
// The command goes out followed by CR LF; the answer is printed as it arrives, until the peer
// closes the connection or WAIT_MS (default 3000) pass without data. The socket control runs in
// script event mode: the script polls its event queue between short sleeps.

var args = WScript.Arguments;
if (args.length < 3) {
  WScript.StdErr.WriteLine("usage: quorvane-script tcp_client.js HOST PORT COMMAND [WAIT_MS]");
  WScript.Quit(2);
}
var host = args(0);
var port = parseInt(args(1), 10);
var command = args(2);
var waitMs = args.length > 3 ? parseInt(args(3), 10) : 3000;

var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
ws.Connect(host, port);

var answer = "";
var idleMs = 0;
var finished = false;
while (!finished && idleMs < waitMs) {
  var e = new VBArray(ws.GetEventParameters()).toArray();
  switch (e[0]) {
    case undefined:  // nothing pending
      WScript.Sleep(10);
      idleMs += 10;
      break;
    case "Connect":
      ws.SendData(ws.StrToByteArray(command + "\r\n"));
      idleMs = 0;
      break;
    case "DataArrival":
      answer += ws.ByteArrayToStr(e[9]);
      idleMs = 0;
      break;
    case "Close2":
      finished = true;
      break;
    case "Error":
      WScript.StdErr.WriteLine("error " + e[1] + ": " + e[2]);
      WScript.Quit(1);
  }
}
ws.Close2();

var lines = answer.split(/\r?\n/);
if (lines[lines.length - 1] === "") lines.pop();
for (var i = 0; i < lines.length; ++i) WScript.Echo(lines[i]);
WScript.Quit(answer === "" ? 1 : 0);
