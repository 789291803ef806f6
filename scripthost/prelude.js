// The script's view of the host, built before the script runs: the WScript object with its
// collections and streams, ActiveXObject, VBArray, Enumerator, and the Host object of our own.
// Evaluated as one function that receives the native sides; it leaves nothing else behind in the
// global object.
//
// The prelude is not strict code: a function that the host compiles while prelude code is on the
// stack (a handler's writing-back form) takes its strictness from it, and only a non-strict
// function's named parameters share their values with its arguments object.
(function (host, automation, global) {

  // The key under which a dispatch Proxy hands its handle back to the native side. No member
  // name of a dispatch interface can hold a NUL character.
  var DISPATCH = '\u0000dispatch';

  var slice = Array.prototype.slice;

  // The last error the host's objects threw. The engine turns an error thrown while it looks up
  // a member to call into a TypeError of its own that names it; the error model finds the
  // original through this.
  var lastFailure = null;
  function fail(errorNumber, description) {
    try {
      host.fail(errorNumber, description);
    } catch (e) {
      lastFailure = e;
      throw e;
    }
  }

  // Members found without regard to case, as on the platform host's own objects.
  function caseInsensitive(target) {
    var names = Object.create(null);
    Object.getOwnPropertyNames(target).forEach(function (name) {
      names[name.toLowerCase()] = name;
    });
    function resolve(name) {
      if (typeof name !== 'string' || name in target) return name;
      var own = names[name.toLowerCase()];
      return own === undefined ? name : own;
    }
    return new Proxy(target, {
      get: function (t, name) { return t[resolve(name)]; },
      set: function (t, name, value) { t[resolve(name)] = value; return true; },
      has: function (t, name) { return resolve(name) in t; }
    });
  }

  // The items that an Enumerator walks, for the collections made here.
  var ITEMS = Symbol('items');

  function setLength(collection, length) {
    Object.defineProperty(collection, 'length', { value: length });
  }

  // A collection indexed from 0, callable as `collection(i)` like its default member Item.
  function indexedCollection(items, extra) {
    function item(index) {
      var n = Number(index);
      if (!(n >= 0 && n < items.length && n === Math.floor(n))) fail(9, 'Subscript out of range');
      return items[n];
    }
    var collection = function (index) { return item(index); };
    collection.Item = item;
    collection.Count = function () { return items.length; };
    setLength(collection, items.length);
    if (extra) extra(collection);
    Object.defineProperty(collection, ITEMS, { value: items });
    return caseInsensitive(collection);
  }

  // Named arguments: /name:value, /name (no value), /name+ and /name- (true and false).
  var NAMED = /^\/([^\/:+\-][^\/:]*?)(?::([\s\S]*)|(\+)|(-))?$/;

  function namedCollection(pairs) {
    var lookup = Object.create(null);
    var names = [];
    pairs.forEach(function (pair) {
      var key = pair[0].toLowerCase();
      if (!(key in lookup)) names.push(pair[0]);
      lookup[key] = pair[1];
    });
    function item(name) {
      var key = String(name).toLowerCase();
      return key in lookup ? lookup[key] : undefined;
    }
    var collection = function (name) { return item(name); };
    collection.Item = item;
    collection.Exists = function (name) { return String(name).toLowerCase() in lookup; };
    collection.Count = function () { return names.length; };
    setLength(collection, names.length);
    Object.defineProperty(collection, ITEMS, { value: names });
    return caseInsensitive(collection);
  }

  function makeArguments(all) {
    var unnamed = [];
    var named = [];
    all.forEach(function (text) {
      var match = NAMED.exec(text);
      if (!match) {
        unnamed.push(text);
      } else if (match[2] !== undefined) {
        named.push([match[1], match[2]]);
      } else if (match[3] !== undefined) {
        named.push([match[1], true]);
      } else if (match[4] !== undefined) {
        named.push([match[1], false]);
      } else {
        named.push([match[1], undefined]);
      }
    });
    var unnamedCollection = indexedCollection(unnamed);
    var namedArguments = namedCollection(named);
    return indexedCollection(all, function (collection) {
      collection.Unnamed = unnamedCollection;
      collection.Named = namedArguments;
      collection.ShowUsage = function () {
        host.write(1, 'Usage: quorvane-script ' + host.scriptName() + ' [arguments]\n');
      };
    });
  }

  // --- Objects reached through their dispatch interface -----------------------------------------

  var KIND_NONE = 0;
  var KIND_PROPERTY = 1;
  var KIND_METHOD = 2;
  var KIND_INDEXED = 3;  // a property that takes arguments: obj.Item(1)
  var KIND_UNKNOWN = 4;  // the object describes no types: callable, and read when used as a value
  var INVOKE_METHOD = 1;
  var INVOKE_GET = 2;
  var INVOKE_PUT = 4;

  function DispatchObject() {}
  DispatchObject.prototype.toString = function () { return '[object]'; };

  function wrapDispatch(handle) {
    if (handle === null || handle === undefined) return null;
    // Names are resolved once per object, without regard to case.
    var members = Object.create(null);   // by the spelling used
    var byLowerCase = Object.create(null);
    function member(name) {
      var found = members[name];
      if (found !== undefined) return found;
      var key = name.toLowerCase();
      found = byLowerCase[key];
      if (found === undefined) {
        found = automation.member(handle, name);
        byLowerCase[key] = found;
      }
      members[name] = found;
      return found;
    }
    function notFound() {
      fail(438, "Object doesn't support this property or method");
    }
    var target = new DispatchObject();
    return new Proxy(target, {
      get: function (t, name) {
        if (name === DISPATCH) return handle;
        if (typeof name !== 'string') return t[name];
        var m = member(name);
        switch (m.kind) {
          case KIND_PROPERTY:
            return automation.invoke(handle, m.id, INVOKE_GET, []);
          case KIND_METHOD:
            if (!m.call) {
              m.call = function () { return automation.invoke(handle, m.id, INVOKE_METHOD, slice.call(arguments)); };
            }
            return m.call;
          case KIND_INDEXED:
            if (!m.call) {
              m.call = function () { return automation.invoke(handle, m.id, INVOKE_GET, slice.call(arguments)); };
            }
            return m.call;
          case KIND_UNKNOWN:
            if (!m.call) {
              m.call = function () { return automation.invoke(handle, m.id, INVOKE_METHOD, slice.call(arguments)); };
              m.call.valueOf = function () { return automation.invoke(handle, m.id, INVOKE_GET, []); };
              m.call.toString = function () { return String(m.call.valueOf()); };
            }
            return m.call;
        }
        if (name in t) return t[name];
        return notFound();
      },
      set: function (t, name, value) {
        if (typeof name !== 'string') return false;
        var m = member(name);
        if (m.kind === KIND_NONE) notFound();
        automation.invoke(handle, m.id, INVOKE_PUT, [value]);
        return true;
      },
      has: function (t, name) {
        return typeof name === 'string' && (name === DISPATCH || member(name).kind !== KIND_NONE);
      },
      deleteProperty: function () { return false; },
      defineProperty: function () { return false; }
    });
  }
  automation.setWrapper(wrapDispatch);

  function handleOf(object) {
    var handle = object !== null && typeof object === 'object' ? object[DISPATCH] : undefined;
    if (handle === undefined) fail(424, 'Object required');
    return handle;
  }

  function createObject(progId) {
    return wrapDispatch(automation.createObject(String(progId)));
  }

  function connectObject(object, prefix) {
    automation.connect(handleOf(object), String(prefix));
  }

  // Event handlers are global functions named prefix + event name; the exact name first, then
  // any spelling of it, as the platform host finds names without regard to case.
  var handlerSpelling = Object.create(null);
  function findHandler(name) {
    var f = global[name];
    if (typeof f === 'function') return f;
    var key = name.toLowerCase();
    var spelling = handlerSpelling[key];
    if (spelling === undefined) {
      spelling = null;
      Object.getOwnPropertyNames(global).some(function (own) {
        if (own.toLowerCase() !== key || typeof global[own] !== 'function') return false;
        spelling = own;
        return true;
      });
      handlerSpelling[key] = spelling;
    }
    return spelling === null ? null : global[spelling];
  }

  // A handler for an event with by-reference arguments runs in a form that hands its arguments
  // object back when it returns, so that what it assigned to them is written back.
  var capturedArguments = null;
  function capture(args) { capturedArguments = args; }

  // Called by the native side for each event. Returns null when the script has no handler, the
  // arguments after the call, or {error} when the handler threw.
  automation.setDeliver(function (handlerName, args, writesBack) {
    var handler = findHandler(handlerName);
    if (handler === null) return null;
    if (writesBack) {
      var writable = automation.writableHandler(handler, handlerName, capture);
      if (writable) handler = writable;
    }
    capturedArguments = null;
    try {
      handler.apply(undefined, args);
    } catch (e) {
      return { error: e };
    }
    var after = capturedArguments !== null ? slice.call(capturedArguments) : args;
    capturedArguments = null;
    return { args: after };
  });

  // --- The platform host's objects -----------------------------------------------------------------

  function outputStream(stream) {
    return caseInsensitive({
      Write: function (text) { host.writeValue(stream, text, false); },
      WriteLine: function (text) { host.writeValue(stream, text, true); },
      WriteBlankLines: function (count) {
        for (var i = 0; i < Number(count); ++i) host.write(stream, '\n');
      },
      Close: function () {}
    });
  }

  var stdIn = caseInsensitive({
    ReadLine: function () { return host.readLine(); },
    ReadAll: function () { return host.readAll(); },
    Read: function (count) { return host.read(Number(count)); },
    SkipLine: function () { host.skipLine(); },
    Skip: function (count) { host.skip(Number(count)); },
    get AtEndOfStream() { return host.atEndOfStream(); },
    get AtEndOfLine() { return host.atEndOfLine(); },
    get Line() { return host.inputLine(); },
    Close: function () {}
  });

  var fullName = host.scriptFullName();
  var hostFullName = host.hostFullName();

  var WScript = caseInsensitive({
    Echo: function () { host.echo(slice.call(arguments)); },
    Quit: function (code) { host.quit(code); },
    Sleep: function (milliseconds) { host.sleep(milliseconds); },
    CreateObject: function (progId, prefix) {
      var object = createObject(progId);
      if (prefix !== undefined && prefix !== null && String(prefix) !== '') connectObject(object, prefix);
      return object;
    },
    ConnectObject: connectObject,
    DisconnectObject: function (object) { automation.disconnect(handleOf(object)); },
    GetObject: function (path) { fail(429, "ActiveX component can't create object: " + path); },
    Arguments: makeArguments(host.arguments()),
    ScriptName: host.scriptName(),
    ScriptFullName: fullName,
    Name: 'quorvane-script',
    FullName: hostFullName,
    Path: hostFullName.substring(0, hostFullName.lastIndexOf('/')),
    Version: '5.8',
    // Seconds after which the script is ended, 0 for never; the smaller of this and the command
    // line's --timeout wins.
    get Timeout() { return host.timeout(); },
    set Timeout(seconds) { host.setTimeout(seconds); },
    Interactive: true,
    StdIn: stdIn,
    StdOut: outputStream(1),
    StdErr: outputStream(2)
  });

  function ActiveXObject(progId) {
    return createObject(progId);
  }

  // The array a VBArray reads, kept under a key the script does not see. (A property rather
  // than a WeakMap: the engine's weak maps do not survive many short-lived keys.)
  var ARRAY = Symbol('array');
  function VBArray(safeArray) {
    if (!automation.isArray(safeArray)) fail(5013, 'VBArray expected');
    var self = this instanceof VBArray ? this : Object.create(VBArray.prototype);
    Object.defineProperty(self, ARRAY, { value: safeArray });
    return self;
  }
  function arrayOf(self) {
    var safeArray = self === null || self === undefined ? undefined : self[ARRAY];
    if (safeArray === undefined) fail(5013, 'VBArray expected');
    return safeArray;
  }
  VBArray.prototype.toArray = function () { return automation.arrayToArray(arrayOf(this)); };
  VBArray.prototype.dimensions = function () { return automation.arrayDimensions(arrayOf(this)); };
  VBArray.prototype.lbound = function (dimension) {
    return automation.arrayBound(arrayOf(this), dimension === undefined ? 1 : Number(dimension), false);
  };
  VBArray.prototype.ubound = function (dimension) {
    return automation.arrayBound(arrayOf(this), dimension === undefined ? 1 : Number(dimension), true);
  };
  VBArray.prototype.getItem = function () {
    return automation.arrayItem(arrayOf(this), slice.call(arguments));
  };

  // The platform language's Enumerator over a collection or an array.
  function Enumerator(collection) {
    var items = collection === undefined || collection === null ? [] : collection[ITEMS];
    if (items === undefined && Array.isArray(collection)) items = collection;
    if (items === undefined && typeof collection === 'object' && collection[DISPATCH] !== undefined) {
      items = automation.enumerate(collection[DISPATCH]);
    }
    if (items === undefined) fail(5015, 'Enumerator object expected');
    var self = this instanceof Enumerator ? this : Object.create(Enumerator.prototype);
    var index = 0;
    self.atEnd = function () { return index >= items.length; };
    self.item = function () { return index < items.length ? items[index] : undefined; };
    self.moveNext = function () { if (index < items.length) ++index; };
    self.moveFirst = function () { index = 0; };
    return self;
  }

  // Our own host object: what a page's object tag did with its parameters.
  var Host = caseInsensitive({
    CreateObject: function (progId, prefix, properties) {
      var object = wrapDispatch(automation.createWithProperties(String(progId),
          properties === undefined || properties === null ? {} : properties));
      if (prefix !== undefined && prefix !== null && String(prefix) !== '') connectObject(object, prefix);
      return object;
    },
    SaveProperties: function (object) { return automation.saveProperties(handleOf(object)); }
  });

  // --- The platform language's own error model -----------------------------------------------

  // A numbered run-time error in the script's form: 0x800A0000 + n as a signed 32-bit value.
  function runtimeNumber(n) { return (0x800A0000 + n) | 0; }

  // The engine's own errors as the platform language numbers and words them; null for an error
  // it has no number for.
  var ENGINE_ERRORS = [
    [ReferenceError, /^(.*) is not defined$/, 5009, function (m) { return "'" + m[1] + "' is undefined"; }],
    [RangeError, /call stack size exceeded/, 28, 'Out of stack space'],
    [RangeError, /out of memory/i, 7, 'Out of memory'],
    [RangeError, /^Invalid array length|^-?\d+ out of range$/, 5029, 'Array length must be a finite positive integer'],
    [TypeError, /is not a function$/, 5002, 'Function expected'],
    [TypeError, /^Cannot (read|call|set|assign)|^Value is (undefined|null)|of (undefined|null)$|^Type error$/, 5007, 'Object expected'],
    [TypeError, /is not a constructor$/, 5002, 'Function expected'],
    [TypeError, /./, 13, 'Type mismatch'],
    [SyntaxError, /^Expected token `(identifier|;|\(|\)|\]|\{|\}|=|:)'$/, 0, function (m) {
      return "Expected " + (m[1] === 'identifier' ? m[1] : "'" + m[1] + "'");
    }],
    [SyntaxError, /./, 1002, 'Syntax error'],
    [URIError, /./, 5016, 'The URI to be decoded is not a valid encoding']
  ];
  var EXPECTED = {
    "Expected ':'": 1003, "Expected ';'": 1004, "Expected '('": 1005, "Expected ')'": 1006,
    "Expected ']'": 1007, "Expected '{'": 1008, "Expected '}'": 1009, 'Expected identifier': 1010,
    "Expected '='": 1011
  };
  function engineError(error) {
    var message = String(error.message);
    if (error instanceof TypeError && lastFailure !== null &&
        message.indexOf(' of object ' + String(lastFailure) + ' ') >= 0) {
      return { number: lastFailure.number, description: lastFailure.description };
    }
    for (var i = 0; i < ENGINE_ERRORS.length; ++i) {
      var entry = ENGINE_ERRORS[i];
      if (!(error instanceof entry[0])) continue;
      var match = entry[1].exec(message);
      if (!match) continue;
      var description = typeof entry[3] === 'function' ? entry[3](match) : entry[3];
      return { number: runtimeNumber(entry[2] || EXPECTED[description]), description: description };
    }
    return null;
  }

  var NativeError = global.Error;
  function ownValue(object, name, value) {
    Object.defineProperty(object, name, { value: value, writable: true, configurable: true });
  }
  // Every error has a number and a description: those given to it, else the platform's for the
  // engine's own errors, else 0 and its message.
  Object.defineProperty(NativeError.prototype, 'number', {
    get: function () { var known = engineError(this); return known ? known.number : 0; },
    set: function (value) { ownValue(this, 'number', value); },
    configurable: true
  });
  Object.defineProperty(NativeError.prototype, 'description', {
    get: function () { var known = engineError(this); return known ? known.description : String(this.message); },
    set: function (value) { ownValue(this, 'description', value); },
    configurable: true
  });

  // new Error(), new Error(description), new Error(number), new Error(number, description).
  function ScriptError(first, second) {
    var numbered = arguments.length >= 2 || typeof first === 'number';
    var description = arguments.length >= 2 ? String(second)
        : arguments.length === 0 || numbered || first === undefined ? '' : String(first);
    var error = new NativeError(description);
    ownValue(error, 'number', numbered ? Number(first) | 0 : 0);
    ownValue(error, 'description', description);
    return error;
  }
  ScriptError.prototype = NativeError.prototype;
  ownValue(NativeError.prototype, 'constructor', ScriptError);

  // --- The platform language's dates and engine functions -------------------------------------

  var DAYS = ['Sun', 'Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat'];
  var MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
  function two(n) { return n < 10 ? '0' + n : String(n); }
  function zoneOf(date) {
    var offset = -date.getTimezoneOffset();
    if (offset === 0) return 'UTC';
    var sign = offset < 0 ? '-' : '+';
    offset = Math.abs(offset);
    return 'UTC' + sign + two(Math.floor(offset / 60)) + two(offset % 60);
  }
  function timeOf(date) {
    return two(date.getHours()) + ':' + two(date.getMinutes()) + ':' + two(date.getSeconds());
  }
  function dateMethod(name, format) {
    ownValue(Date.prototype, name, function () {
      if (isNaN(this.getTime())) return 'NaN';
      return format(this);
    });
  }
  dateMethod('toString', function (d) {
    return DAYS[d.getDay()] + ' ' + MONTHS[d.getMonth()] + ' ' + d.getDate() + ' ' + timeOf(d) +
        ' ' + zoneOf(d) + ' ' + d.getFullYear();
  });
  dateMethod('toDateString', function (d) {
    return DAYS[d.getDay()] + ' ' + MONTHS[d.getMonth()] + ' ' + d.getDate() + ' ' + d.getFullYear();
  });
  dateMethod('toTimeString', function (d) { return timeOf(d) + ' ' + zoneOf(d); });
  dateMethod('toUTCString', function (d) {
    return DAYS[d.getUTCDay()] + ', ' + d.getUTCDate() + ' ' + MONTHS[d.getUTCMonth()] + ' ' +
        d.getUTCFullYear() + ' ' + two(d.getUTCHours()) + ':' + two(d.getUTCMinutes()) + ':' +
        two(d.getUTCSeconds()) + ' UTC';
  });
  ownValue(Date.prototype, 'toGMTString', Date.prototype.toUTCString);

  // A date for an object's member; the host passes every Date as the platform's date value.
  Object.defineProperty(Date.prototype, 'getVarDate', {
    value: function () { return new Date(this.getTime()); },
    writable: true, configurable: true
  });

  function install(name, value) {
    Object.defineProperty(global, name, { value: value, writable: true, configurable: true });
  }
  install('WScript', WScript);
  install('ActiveXObject', ActiveXObject);
  install('VBArray', VBArray);
  install('Enumerator', Enumerator);
  install('Host', Host);
  install('Error', ScriptError);
  install('ScriptEngine', function () { return 'JScript'; });
  install('ScriptEngineMajorVersion', function () { return 5; });
  install('ScriptEngineMinorVersion', function () { return 8; });
  install('ScriptEngineBuildVersion', function () { return 16384; });
  install('CollectGarbage', function () { automation.collectGarbage(); });
})
