// The page's view of its controls, evaluated before any script of a new document runs: object
// tags become controls, members are reached synchronously through Proxies, events reach the
// page's handlers in the three forms pages used, and the HTML application's element and window
// members behave as the original host made them. Evaluated as one function that receives the
// native side; it leaves only the page's own names behind in the global object.
//
// Not strict code: the handlers it builds from <script for event> text must be sloppy functions,
// whose named parameters share their values with their arguments object (how a handler's writes
// to a by-reference argument are seen).
(function (native, global) {
  var slice = Array.prototype.slice;
  var forEach = Array.prototype.forEach;

  // --- Errors as the page's script dialect shows them ---------------------------------------

  function Fault(number, description, source) {
    this.number = number;
    this.description = description;
    this.source = source;
  }
  function errorOf(fault) {
    var error = new Error(fault.description);
    error.number = fault.number;
    error.description = fault.description;
    if (fault.source) error.source = fault.source;
    return error;
  }
  function check(result) {
    if (result instanceof Fault) throw errorOf(result);
    return result;
  }
  function fail(number, description) {
    throw errorOf(new Fault(number, description, ''));
  }

  // --- Objects reached through their dispatch interface -------------------------------------

  var KIND_NONE = 0;
  var KIND_PROPERTY = 1;
  var KIND_METHOD = 2;
  var KIND_INDEXED = 3;  // a property that takes arguments: obj.Item(1)
  var KIND_UNKNOWN = 4;  // the object describes no types: callable, and read when used as a value
  var INVOKE_METHOD = 1;
  var INVOKE_GET = 2;
  var INVOKE_PUT = 4;

  var HANDLE = Symbol('handle');

  // Arguments go to the native side as they are, with a Proxy replaced by its handle.
  function nativeArguments(args) {
    var out = slice.call(args);
    for (var i = 0; i < out.length; ++i) {
      var value = out[i];
      if (value !== null && typeof value === 'object') {
        var handle = value[HANDLE];
        if (handle !== undefined) out[i] = handle;
      }
    }
    return out;
  }

  function DispatchObject() {}
  DispatchObject.prototype.toString = function () { return '[object]'; };

  // `extra`: members of the host's own beside the object's (attachEvent on a control).
  function wrap(handle, extra) {
    if (handle === null || handle === undefined) return null;
    var members = Object.create(null);  // by the spelling used
    function member(name) {
      var found = members[name];
      if (found === undefined) {
        found = check(handle.member(name));
        members[name] = found;
      }
      return found;
    }
    var target = new DispatchObject();
    var proxy = new Proxy(target, {
      get: function (t, name) {
        if (name === HANDLE) return handle;
        if (typeof name !== 'string') return t[name];
        var m = member(name);
        switch (m.kind) {
          case KIND_PROPERTY:
            return check(handle.invoke(m.id, INVOKE_GET, []));
          case KIND_METHOD:
            if (!m.call) {
              m.call = function () {
                return check(handle.invoke(m.id, INVOKE_METHOD, nativeArguments(arguments)));
              };
            }
            return m.call;
          case KIND_INDEXED:
            if (!m.call) {
              m.call = function () {
                return check(handle.invoke(m.id, INVOKE_GET, nativeArguments(arguments)));
              };
            }
            return m.call;
          case KIND_UNKNOWN:
            if (!m.call) {
              m.call = function () {
                return check(handle.invoke(m.id, INVOKE_METHOD, nativeArguments(arguments)));
              };
              m.call.valueOf = function () { return check(handle.invoke(m.id, INVOKE_GET, [])); };
              m.call.toString = function () { return String(m.call.valueOf()); };
            }
            return m.call;
        }
        if (extra) {
          var own = extra[name.toLowerCase()];
          if (own !== undefined) return own === SELF ? proxy : own;
        }
        if (name in t) return t[name];
        return fail(438, "Object doesn't support this property or method");
      },
      set: function (t, name, value) {
        if (typeof name !== 'string') return false;
        var m = member(name);
        if (m.kind === KIND_NONE) fail(438, "Object doesn't support this property or method");
        check(handle.invoke(m.id, INVOKE_PUT, nativeArguments([value])));
        return true;
      },
      has: function (t, name) {
        if (name === HANDLE) return true;
        if (typeof name !== 'string') return false;
        return member(name).kind !== KIND_NONE || (extra !== undefined && name.toLowerCase() in extra);
      },
      deleteProperty: function () { return false; },
      defineProperty: function () { return false; }
    });
    return proxy;
  }
  var SELF = {};

  // --- Events -------------------------------------------------------------------------------

  // Handlers of each control id (lower case) and event (lower case), in the three forms.
  var scriptFor = Object.create(null);   // <script for event>
  var attached = Object.create(null);    // attachEvent
  function handlerList(table, id, event) {
    var byEvent = table[id] || (table[id] = Object.create(null));
    return byEvent[event] || (byEvent[event] = []);
  }

  // `function Sock1::DataArrival()` was rewritten to a global function Sock1$$DataArrival; the
  // exact spelling first, then any spelling, as the original bound names without regard to case.
  function eventFunction(id, event) {
    var name = id + '$$' + event;
    var f = global[name];
    if (typeof f === 'function') return f;
    var key = name.toLowerCase();
    var found = null;
    Object.getOwnPropertyNames(global).some(function (own) {
      if (own.toLowerCase() !== key || typeof global[own] !== 'function') return false;
      found = global[own];
      return true;
    });
    return found;
  }

  // A handler for an event with by-reference arguments runs in a form that hands its arguments
  // object back when it ends, so that what it assigned to them is written back to the control.
  var captured = null;
  function capture(args) { captured = args; }
  var writableForms = new WeakMap();
  function writableForm(f) {
    if (writableForms.has(f)) return writableForms.get(f);
    var form = null;
    var match = /^function\s*[\w$]*\s*\(([^)]*)\)\s*\{([\s\S]*)\}\s*$/.exec(Function.prototype.toString.call(f));
    if (match) {
      try {
        form = new Function('capture', 'return function (' + match[1] + ') { try {' + match[2] +
                            '\n} finally { capture(arguments); } };')(capture);
      } catch (e) {
        form = null;
      }
    }
    writableForms.set(f, form);
    return form;
  }

  // An error that a handler did not catch is reported as any uncaught error of the page, with
  // the handler's place (see the error listener below).
  var reportError = global.reportError;
  function report(error) {
    if (typeof reportError === 'function') {
      reportError.call(global, error);
    } else {
      setTimeout(function () { throw error; }, 0);
    }
  }

  // Called by the native side for each event of a control: runs every handler bound to it and
  // returns the arguments as they are after the handlers (what goes back by reference).
  function deliver(id, event, args, writesBack) {
    var control = controls[id.toLowerCase()];
    var key = event.toLowerCase();
    var handlers = handlerList(scriptFor, id.toLowerCase(), key).slice();
    var named = eventFunction(id, event);
    if (named !== null) handlers.push(named);
    handlers = handlers.concat(handlerList(attached, id.toLowerCase(), key),
                               handlerList(attached, id.toLowerCase(), 'on' + key));
    var current = args;
    handlers.forEach(function (handler) {
      var run = writesBack ? (writableForm(handler) || handler) : handler;
      captured = null;
      try {
        run.apply(control ? control.proxy : undefined, current);
      } catch (e) {
        report(e);
      }
      if (captured !== null) current = slice.call(captured);
      captured = null;
    });
    return current;
  }

  // --- Controls from object tags ------------------------------------------------------------

  var controls = Object.create(null);  // by id, lower case
  var made = new WeakSet();            // object elements already handled

  // attachEvent takes the event's name with or without "on" in front ("onDataArrival",
  // "DataArrival"); names are kept as given and the delivery looks for both spellings, since an
  // event may itself begin with "On" (OnComm).
  function controlExtra(id) {
    function eventName(name) { return String(name).toLowerCase(); }
    return {
      object: SELF,
      attachevent: function (name, handler) {
        if (typeof handler !== 'function') return false;
        handlerList(attached, id, eventName(name)).push(handler);
        return true;
      },
      detachevent: function (name, handler) {
        var list = handlerList(attached, id, eventName(name));
        var at = list.indexOf(handler);
        if (at >= 0) list.splice(at, 1);
      }
    };
  }

  function makeControl(element) {
    if (made.has(element)) return;
    var classid = element.getAttribute('classid');
    if (!classid || !/^\s*clsid:/i.test(classid)) return;
    made.add(element);
    var id = element.id || element.getAttribute('name') || '';
    var params = [];
    forEach.call(element.children, function (child) {
      if (child.localName === 'param' && child.hasAttribute('name')) {
        params.push([child.getAttribute('name'), child.getAttribute('value') || '']);
      }
    });
    var handle = native.create(classid.replace(/^\s*clsid:\s*/i, '').trim(), id, params);
    if (handle instanceof Fault) {
      native.report('The object "' + id + '" (' + classid + ') could not be created: ' +
                    handle.description + '; is its library registered with quorvane-register?');
      return;
    }
    // The controls are invisible at run time: their element shows nothing and takes no room.
    element.style.display = 'none';
    var control = { id: id, element: element, handle: handle };
    control.proxy = wrap(handle, controlExtra(id.toLowerCase()));
    if (id === '') return;
    controls[id.toLowerCase()] = control;
    Object.defineProperty(global, id, { value: control.proxy, writable: true, configurable: true });
  }

  function bindScriptFor(script) {
    if (made.has(script)) return;
    made.add(script);
    var target = script.getAttribute('for').trim();
    var match = /^\s*([\w$]+)\s*(?:\(([^)]*)\))?\s*$/.exec(script.getAttribute('event'));
    if (!match) return;
    var forWindow = target.toLowerCase() === 'window';
    if (forWindow && /^(on)?load$/i.test(match[1])) {
      // The engine would run a window onload handler at once, where it stands; the original ran
      // it when the page had loaded. The element is seen here before the parser runs it, and is
      // kept from running.
      script.type = 'text/x-window-onload';
    }
    var handler;
    try {
      // The handler's text, made into a function once, with the event's parameters.
      handler = new Function(match[2] || '', script.text);
    } catch (e) {
      report(e);
      return;
    }
    if (forWindow) {
      global.addEventListener(match[1].replace(/^on/i, '').toLowerCase(), function (e) {
        try {
          handler.call(global, e);
        } catch (error) {
          report(error);
        }
      });
      return;
    }
    handlerList(scriptFor, target.toLowerCase(), match[1].toLowerCase()).push(handler);
  }

  // --- The HTML application's element ------------------------------------------------------

  var applicationProperties = ['applicationName', 'border', 'borderStyle', 'caption', 'contextMenu',
    'icon', 'innerBorder', 'maximizeButton', 'minimizeButton', 'navigable', 'scroll', 'scrollFlat',
    'selection', 'showInTaskBar', 'singleInstance', 'sysMenu', 'version', 'windowState'];
  var commandLine = native.commandLine();

  function describeApplication(element) {
    if (made.has(element)) return;
    made.add(element);
    applicationProperties.forEach(function (name) {
      Object.defineProperty(element, name, {
        get: function () { var v = element.getAttribute(name); return v === null ? '' : v; },
        configurable: true
      });
    });
    Object.defineProperty(element, 'commandLine', { value: commandLine, configurable: true });
  }

  // The other dialect of the original's pages does not run here; the page says which of its
  // scripts are left out.
  function noteUnsupportedScript(script) {
    if (made.has(script)) return;
    made.add(script);
    var language = (script.getAttribute('language') || '') + ' ' + (script.getAttribute('type') || '');
    if (!/vbs/i.test(language)) return;
    var where = String(location.pathname);
    native.report(decodeURIComponent(where.substring(where.lastIndexOf('/') + 1)) +
                  ': a VBScript script element does not run (only JScript does): ' +
                  String(script.text).trim().split('\n')[0].substring(0, 60));
  }

  // Object tags become controls before the next script of the page runs: the parser empties
  // the microtask queue before it runs a script, which is when this observer hears of them.
  function scan() {
    forEach.call(document.getElementsByTagName('object'), makeControl);
    forEach.call(document.querySelectorAll('script[for][event]'), bindScriptFor);
    forEach.call(document.getElementsByTagName('hta:application'), describeApplication);
    forEach.call(document.querySelectorAll('script[language], script[type]'), noteUnsupportedScript);
  }
  // Once the page is parsed, the observer stops: a rig page that adds a table row for every
  // received line should not pay for a walk of its objects each time.
  var observer = new MutationObserver(scan);
  observer.observe(document, { childList: true, subtree: true });
  document.addEventListener('DOMContentLoaded', function () {
    observer.disconnect();
    scan();
  });

  // document.getElementById("Sock1").object, and document.all.Sock1 as the control itself.
  Object.defineProperty(HTMLObjectElement.prototype, 'object', {
    get: function () {
      var control = this.id ? controls[this.id.toLowerCase()] : undefined;
      return control && control.element === this ? control.proxy : null;
    },
    configurable: true
  });
  var allGetter = Object.getOwnPropertyDescriptor(Document.prototype, 'all').get;
  Object.defineProperty(document, 'all', {
    get: function () {
      var all = allGetter.call(document);
      return new Proxy(all, {
        get: function (t, name) {
          if (typeof name === 'string') {
            var control = controls[name.toLowerCase()];
            if (control) return control.proxy;
          }
          var value = Reflect.get(t, name, t);
          return typeof value === 'function' ? value.bind(t) : value;
        }
      });
    },
    configurable: true
  });

  // --- Script objects of the page's dialect -------------------------------------------------

  function ActiveXObject(progId) {
    return wrap(check(native.createObject(String(progId))));
  }

  var ARRAY = Symbol('array');
  function VBArray(safeArray) {
    if (!native.isArray(safeArray)) fail(5013, 'VBArray expected');
    var self = this instanceof VBArray ? this : Object.create(VBArray.prototype);
    Object.defineProperty(self, ARRAY, { value: safeArray });
    return self;
  }
  function arrayOf(self) {
    var safeArray = self === null || self === undefined ? undefined : self[ARRAY];
    if (safeArray === undefined) fail(5013, 'VBArray expected');
    return safeArray;
  }
  function dimensionOne(dimension) {
    if (dimension !== undefined && Number(dimension) !== 1) fail(9, 'Subscript out of range');
  }
  VBArray.prototype.toArray = function () { return arrayOf(this).items(); };
  VBArray.prototype.dimensions = function () { arrayOf(this); return 1; };
  VBArray.prototype.lbound = function (d) { dimensionOne(d); return arrayOf(this).bound(false); };
  VBArray.prototype.ubound = function (d) { dimensionOne(d); return arrayOf(this).bound(true); };
  VBArray.prototype.getItem = function (index) {
    var a = arrayOf(this);
    if (arguments.length !== 1) fail(9, 'Subscript out of range');
    return check(a.item(Number(index)));
  };

  // Our own object for pages run as tests: Host.Quit(code) ends the host with that exit code.
  var Host = {
    Quit: function (code) { native.quit(code === undefined ? 0 : Number(code) | 0); }
  };

  function install(name, value) {
    Object.defineProperty(global, name, { value: value, writable: true, configurable: true });
  }
  install('ActiveXObject', ActiveXObject);
  install('VBArray', VBArray);
  install('Host', Host);
  global.close = function () { native.quit(0); };
  global.resizeTo = function (width, height) { native.resize(Number(width) | 0, Number(height) | 0); };
  global.moveTo = function (x, y) { native.move(Number(x) | 0, Number(y) | 0); };

  // An error that no handler caught is reported on standard error, with where it happened: the
  // page's own line, also when the error was raised here for a member of a control (the first
  // frame of its stack outside this prelude).
  var PRELUDE_MARK = '///quorvane-page-prelude.js';
  global.addEventListener('error', function (e) {
    var where = String(e.filename || '');
    var line = e.lineno;
    var column = e.colno;
    var error = e.error;
    if (where.indexOf(PRELUDE_MARK) >= 0 && error && typeof error === 'object' && error.stack) {
      String(error.stack).split('\n').some(function (frame) {
        var m = /@(.*):(\d+):(\d+)$/.exec(frame);
        if (!m || m[1].indexOf(PRELUDE_MARK) >= 0) return false;
        where = m[1];
        line = Number(m[2]);
        column = Number(m[3]);
        return true;
      });
    }
    where = decodeURIComponent(where.substring(where.lastIndexOf('/') + 1));
    var text = e.message;
    var code = '';
    if (error && typeof error === 'object' && typeof error.number === 'number') {
      // A control's error shows its description and number, a plain number for the automation
      // facility's status codes (as 40006), any other status code in hexadecimal.
      if (typeof error.description === 'string') text = error.description;
      var n = error.number;
      code = ' (' + ((n >>> 16) === 0x800A ? String(n & 0xFFFF) :
                     '0x' + (n >>> 0).toString(16).toUpperCase()) + ')';
    }
    native.report(where + '(' + line + ', ' + column + ') Script runtime error: ' + text + code);
  });

  native.setHooks(function (n, d, s) { return new Fault(n, d, s); }, wrap, deliver);
})
