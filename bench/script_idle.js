// The script side of the idle measurement in bench/script_echo_bench.py: a script that holds
// an open TCP connection and an open serial port and sleeps.
//
//   quorvane-script script_idle.js HOST PORT COMM_PORT

var args = WScript.Arguments;
var ws = new ActiveXObject("Quorvane.Winsock");
ws.Start_EventForScript();
ws.Connect(args(0), parseInt(args(1), 10));
var comm = new ActiveXObject("Quorvane.MSComm");
comm.CommPort = parseInt(args(2), 10);
comm.RThreshold = 1;
comm.Start_EventForScript();
comm.PortOpen = true;
WScript.Echo("ready");
WScript.Sleep(60000);
