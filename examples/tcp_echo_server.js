// A TCP echo server: every byte a client sends comes back to it. Several clients at once, each
// on a control of its own.
//
//   quorvane-script tcp_echo_server.js PORT [CLIENTS]
//
// The listening control raises its events to functions named by its prefix (listener_...);
// each accepted client gets a control in script event mode, polled between short sleeps. The
// server ends after CLIENTS clients (default: never) have come and gone.

var args = WScript.Arguments;
if (args.length < 1) {
  WScript.StdErr.WriteLine("usage: quorvane-script tcp_echo_server.js PORT [CLIENTS]");
  WScript.Quit(2);
}
var clientsToServe = args.length > 1 ? parseInt(args(1), 10) : -1;

// The clients being served, each with its number; a client that left is dropped from the list,
// and its control goes with it.
var peers = [];
var accepted = 0;
var served = 0;

function listener_ConnectionRequest(requestID) {
  var peer = new ActiveXObject("Quorvane.Winsock");
  peer.Start_EventForScript();
  peer.Accept(requestID);
  peers.push({ control: peer, number: ++accepted });
  WScript.Echo("client " + accepted + " from " + peer.RemoteHostIP);
}

function listener_Error(number, description) {
  WScript.StdErr.WriteLine("listener error " + number + ": " + description);
  WScript.Quit(1);
}

var listener = WScript.CreateObject("Quorvane.Winsock", "listener_");
listener.LocalPort = parseInt(args(0), 10);
listener.Listen();
WScript.Echo("listening on port " + listener.LocalPort);

while (clientsToServe < 0 || served < clientsToServe) {
  WScript.Sleep(5);  // the listener's events arrive here
  for (var i = 0; i < peers.length; ++i) {
    var peer = peers[i].control;
    for (;;) {
      var e = new VBArray(peer.GetEventParameters()).toArray();
      if (e[0] === undefined) break;
      if (e[0] === "DataArrival") {
        peer.SendData(e[9]);
      } else if (e[0] === "Close2" || e[0] === "Error") {
        peer.Close2();
        WScript.Echo("client " + peers[i].number + " left");
        peers.splice(i--, 1);
        ++served;
        break;
      }
    }
  }
}
