// The calculator on a web page (index.html): what the program writes is shown in
// a transcript, and the lines typed in the input line below it go to its
// standard input as Windows-1251. Every run is a new instance of the module,
// from the .wasm fetched and compiled once per visit.
if (typeof document == 'object') {
  (function() {
    var transcript = document.getElementById('transcript');
    var form = document.getElementById('line');
    var input = document.getElementById('input');
    var note = document.getElementById('note');
    var endButton = document.getElementById('end');
    var againButton = document.getElementById('again');

    // Windows-1251 both ways: the browser decodes it, and typed text is encoded
    // with the decoder's own table, so what is sent is what the page shows.
    var decoder = new TextDecoder('windows-1251');
    var byteOf = new Map();
    for (var b = 0; b < 256; b++) {
      var character = decoder.decode(Uint8Array.of(b));
      if (character != '\uFFFD' && !byteOf.has(character)) byteOf.set(character, b);
    }
    // The line's bytes with a line feed, or the first character that has no byte.
    function encode(line) {
      var bytes = [];
      for (var character of line) {  // by code point: an emoji is one character
        var byte = byteOf.get(character);
        if (byte === undefined) return character;
        bytes.push(byte);
      }
      bytes.push(10);
      return Uint8Array.from(bytes);
    }

    // Text goes at the end of the transcript: output as it is, typed lines and
    // failure texts in spans of their own, so a copy is the terminal's text.
    function show(text, kind) {
      var last = transcript.lastChild;
      if (!kind && last && last.nodeType == Node.TEXT_NODE) {
        last.appendData(text);
      } else if (kind) {
        var span = document.createElement('span');
        span.className = kind;
        span.textContent = text;
        transcript.appendChild(span);
      } else {
        transcript.appendChild(document.createTextNode(text));
      }
      follow();
    }
    function tell(text) {
      note.textContent = text;
      note.hidden = !text;
      follow();  // the note takes room from the transcript
    }
    // The transcript's end stays in view, as on a terminal.
    function follow() {
      transcript.scrollTop = transcript.scrollHeight;
    }

    // The compiled program, fetched once per visit (again only after a failure).
    var compiled = null;
    function load() {
      return fetch('fraction-calc.wasm').then(function(response) {
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        return response.arrayBuffer();
      }).then(function(bytes) {
        return WebAssembly.compile(bytes);
      });
    }

    // The run in progress: lines typed ahead of its reads, the read waiting for
    // a line, whether its input has ended and whether it is over.
    var run = null;
    function start() {
      var current = run = {lines: [], waiting: null, ended: false, over: false};
      compiled = compiled || load();
      if (transcript.lastChild) transcript.appendChild(document.createElement('hr'));
      tell('');
      endButton.hidden = false;
      againButton.hidden = true;
      FractionCalc({
        instantiateWasm: function(imports, receive) {
          compiled.then(function(module) {
            return WebAssembly.instantiate(module, imports);
          }).then(function(instance) {
            receive(instance);
          }, failed);
          return {};
        },
        readInput: function() {
          if (current.lines.length) return Promise.resolve(current.lines.shift());
          if (current.ended) return Promise.resolve(new Uint8Array(0));
          return new Promise(function(resolve) { current.waiting = resolve; });
        },
        writeOutput: function(fd, bytes) {
          show(decoder.decode(bytes), fd == 2 ? 'failure' : '');
        },
      }).then(function(calc) {
        return calc.ccall('main', 'number', [], [], {async: true});
      }).then(finish, function(error) {
        // std::_Exit (memory exhausted) ends the program with an ExitStatus.
        if (error && error.name == 'ExitStatus') finish(error.status); else failed(error);
      });
    }
    function hand(bytes) {
      if (run.waiting) {
        run.waiting(bytes);
        run.waiting = null;
      } else {
        run.lines.push(bytes);
      }
    }
    function endInput() {
      if (run.over || run.ended) return;
      run.ended = true;
      if (run.waiting) hand(new Uint8Array(0));
    }
    function finish(status) {
      over(status == 0 ? 'Программа завершена.' : 'Программа завершилась с ошибкой (код ' + status + ').');
    }
    // The program could not be loaded, or it broke down (a fault of the page).
    function failed(error) {
      compiled = null;  // fetched anew for the next run
      over('Сбой: ' + error + '.');
      console.error(error);
    }
    function over(text) {
      run.over = true;
      endButton.hidden = true;
      againButton.hidden = false;
      tell(text + ' Enter или «Новый запуск» запускает её снова.');
    }

    // Lines typed in this visit, for Up and Down; `draft` keeps the line being
    // typed while older ones are shown.
    var typed = [];
    var shown = 0;
    var draft = '';
    function recall(to) {
      if (to < 0 || to > typed.length) return;
      if (shown == typed.length) draft = input.value;
      shown = to;
      input.value = to == typed.length ? draft : typed[to];
      input.setSelectionRange(input.value.length, input.value.length);
    }

    form.addEventListener('submit', function(event) {
      event.preventDefault();
      if (run.over) {
        start();
        return;
      }
      var line = input.value;
      var bytes = encode(line);
      if (typeof bytes == 'string') {
        var code = bytes.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
        tell('Строка не отправлена: символа «' + bytes + '» (U+' + code + ') нет в кодировке Windows-1251.');
        return;
      }
      tell('');
      if (line && line != typed[typed.length - 1]) typed.push(line);
      shown = typed.length;
      draft = input.value = '';
      show(line + '\n', 'typed');
      hand(bytes);
    });
    input.addEventListener('keydown', function(event) {
      if (event.key == 'ArrowUp' || event.key == 'ArrowDown') {
        event.preventDefault();
        recall(shown + (event.key == 'ArrowUp' ? -1 : 1));
      } else if (event.ctrlKey && !event.altKey && !event.metaKey && event.code == 'KeyD') {
        event.preventDefault();  // not the browser's bookmark
        if (!input.value) endInput();
      }
    });
    endButton.addEventListener('click', function() {
      endInput();
      input.focus();
    });
    againButton.addEventListener('click', function() {
      start();
      input.focus();
    });
    start();
  })();
}
