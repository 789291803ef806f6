// A logger that polls a TCP peer and writes what it answers to a CSV file beside the script.
//
//   quorvane-script csv_logger.js HOST PORT COMMAND [COUNT] [INTERVAL_MS]
//
// Every INTERVAL_MS (default 1000) the command goes out followed by CR LF, and the peer's
// answer line becomes a row "time,answer" of csv_logger.csv in the script's own folder, made
// with a header row when it is new and appended to when it is there. COUNT (default 10) rows,
// then the script ends; a peer that does not answer within five seconds ends it with code 1.

var args = WScript.Arguments;
if (args.length < 3) {
  WScript.StdErr.WriteLine("usage: quorvane-script csv_logger.js HOST PORT COMMAND [COUNT] [INTERVAL_MS]");
  WScript.Quit(2);
}
var host = args(0);
var port = parseInt(args(1), 10);
var command = args(2);
var count = args.length > 3 ? parseInt(args(3), 10) : 10;
var interval = args.length > 4 ? parseInt(args(4), 10) : 1000;

var fso = new ActiveXObject("Scripting.FileSystemObject");
var folder = fso.GetParentFolderName(WScript.ScriptFullName);
var csvPath = fso.BuildPath(folder, fso.GetBaseName(WScript.ScriptName) + ".csv");
var isNew = !fso.FileExists(csvPath);
var ForAppending = 8;
var csv = fso.OpenTextFile(csvPath, ForAppending, true);
if (isNew) csv.WriteLine("time,answer");

function pad(n) { return (n < 10 ? "0" : "") + n; }
function stamp(d) {
  return d.getFullYear() + "/" + pad(d.getMonth() + 1) + "/" + pad(d.getDate()) + " " +
      pad(d.getHours()) + ":" + pad(d.getMinutes()) + ":" + pad(d.getSeconds());
}
// A field as CSV keeps it: quoted when it holds a comma or a quote.
function field(text) {
  return /[",]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
}

var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
ws.Connect(host, port);

// Waits for the next event the script cares about, up to five seconds.
var pending = "";
function nextLine() {
  for (var waited = 0; waited < 5000;) {
    var end = pending.indexOf("\r\n");
    if (end >= 0) {
      var line = pending.substring(0, end);
      pending = pending.substring(end + 2);
      return line;
    }
    var e = new VBArray(ws.GetEventParameters()).toArray();
    switch (e[0]) {
      case undefined:
        WScript.Sleep(10);
        waited += 10;
        break;
      case "DataArrival":
        pending += ws.ByteArrayToStr(e[9]);
        break;
      case "Close2":
      case "Error":
        return null;
    }
  }
  return null;
}

function waitForConnect() {
  for (var waited = 0; waited < 5000; waited += 10) {
    var e = new VBArray(ws.GetEventParameters()).toArray();
    if (e[0] === "Connect") return true;
    if (e[0] === "Error") return false;
    if (e[0] === undefined) WScript.Sleep(10);
  }
  return false;
}

var code = 0;
if (!waitForConnect()) {
  WScript.StdErr.WriteLine("no connection to " + host + ":" + port);
  code = 1;
} else {
  for (var i = 0; i < count; ++i) {
    if (i > 0) WScript.Sleep(interval);
    ws.SendData(ws.StrToByteArray(command + "\r\n"));
    var answer = nextLine();
    if (answer === null) {
      WScript.StdErr.WriteLine("no answer to " + command);
      code = 1;
      break;
    }
    csv.WriteLine(stamp(new Date()) + "," + field(answer));
  }
}
csv.Close();
ws.Close2();
WScript.Echo(csvPath);
WScript.Quit(code);
