// The script side of bench/script_soak_bench.py: empty polls of a control in script event mode,
// the documented poll loop (GetEventParameters, VBArray, and a Sleep(0) now and then).
//
//   quorvane-script script_poll_soak.js POLLS
//
// Prints "mark N" after 10 %, 50 % and 100 % of the polls, then waits a moment to be measured.

var polls = parseInt(WScript.Arguments(0), 10);
var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
var marks = [polls / 10, polls / 2, polls];
for (var i = 1; i <= polls; ++i) {
  var e = new VBArray(ws.GetEventParameters()).toArray();
  if (e[0] !== undefined) throw new Error("unexpected event " + e[0]);
  if (i % 100 === 0) WScript.Sleep(0);
  if (i === marks[0]) {
    marks.shift();
    WScript.Echo("mark " + i);
    WScript.Sleep(300);
  }
}
