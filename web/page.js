// The calculator on a web page (index.html). This script loads the program
// (fraction-calc.js, emscripten's loader, and fraction-calc.wasm), shows what it
// writes in a transcript, and sends the lines typed in the input line below it
// to its standard input as Windows-1251. Every run is a new instance of the
// module, from the .wasm fetched and compiled once per visit.
(function() {
  'use strict';
  var transcript = document.getElementById('transcript');
  var form = document.getElementById('line');
  var input = document.getElementById('input');
  var note = document.getElementById('note');
  var sendButton = form.querySelector('button[type=submit]');
  var endButton = document.getElementById('end');
  var againButton = document.getElementById('again');

  // The program that has not made its first read this long after the page
  // asked for it is given up, with a message and a retry.
  var LOADING_LIMIT_MS = 15000;
  var LOADING = 'Загрузка программы…';
  var AGAIN = ' Enter или «Новый запуск» запускает её снова.';

  // The page has its script: Enter now reaches the handler below instead of
  // submitting the form (which stays disabled until then, so an early Enter
  // cannot navigate away and cancel the downloads), and the note that the
  // script has not come is not needed.
  sendButton.disabled = false;
  document.getElementById('stalled').remove();

  // ---- Windows-1251 both ways: the browser decodes it, and typed text is
  // encoded with the decoder's own table, so what is sent is what the page
  // shows. A NUL has no byte here: the program would end the line at it.
  // Every character with a byte is one UTF-16 unit, so the table is indexed by
  // unit; -1 is no byte.
  var decoder = new TextDecoder('windows-1251');
  var byteOf = new Int16Array(65536).fill(-1);
  for (var b = 255; b > 0; b--) {
    var character = decoder.decode(Uint8Array.of(b));
    if (character != '\uFFFD') byteOf[character.charCodeAt(0)] = b;
  }
  // The line (in NFC, so a letter typed as a letter and a combining mark is the
  // letter) as {text, bytes} with its line feed, or the first character that has
  // no byte, as a string (an emoji whole).
  function encode(line) {
    var text = line.normalize('NFC');
    var bytes = new Uint8Array(text.length + 1);
    for (var i = 0; i < text.length; i++) {
      var byte = byteOf[text.charCodeAt(i)];
      if (byte < 0) return String.fromCodePoint(text.codePointAt(i));
      bytes[i] = byte;
    }
    bytes[text.length] = 10;
    return {text: text, bytes: bytes};
  }
  function refusal(character) {
    var code = character.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
    return 'Строка не отправлена: символа «' + character + '» (U+' + code + ') нет в кодировке Windows-1251.';
  }

  // ---- The transcript. Text is kept in blocks, and blocks in parts of up to
  // PART_BLOCKS, so that new text makes the browser lay out a small block, not
  // the whole session again: an answer costs the same after thousands of
  // passes. A block ends after a typed line, or at a line feed once it is long,
  // so every finished block ends with a line feed and a copy of the transcript
  // is the terminal's text, without a line break added between blocks.
  var PART_BLOCKS = 100;
  var BLOCK_CHARACTERS = 4096;
  // A run of this many characters without a space is longer than any line on
  // the screen. The browser's line breaking with overflow-wrap costs time with
  // the square of a word's length, so such a run is put in a span that may
  // break between any two letters (word-break: break-all): that costs time in
  // proportion to its length, and fills every line, as a terminal does.
  var LONG_RUN = /\S{200,}/g;
  var part = null;
  var block = null;
  var blockLength = 0;
  function openBlock() {
    if (!part || part.childElementCount == PART_BLOCKS) {
      part = document.createElement('div');
      transcript.appendChild(part);
    }
    block = document.createElement('div');
    part.appendChild(block);
    blockLength = 0;
  }
  function fill(into, text) {
    var at = 0;
    text.replace(LONG_RUN, function(run, start) {
      if (start > at) into.appendChild(document.createTextNode(text.slice(at, start)));
      var span = document.createElement('span');
      span.className = 'run';
      span.textContent = run;
      into.appendChild(span);
      at = start + run.length;
      return run;
    });
    if (at < text.length) into.appendChild(document.createTextNode(text.slice(at)));
  }
  // Output as it is, typed lines and failure texts in spans of their own.
  function append(text, kind) {
    if (!block) openBlock();
    var into = block;
    if (kind) {
      into = document.createElement('span');
      into.className = kind;
      block.appendChild(into);
    }
    fill(into, text);
    blockLength += text.length;
  }
  function show(text, kind) {
    if (!kind && blockLength + text.length > BLOCK_CHARACTERS) {
      var end = text.lastIndexOf('\n') + 1;
      if (end) {
        append(text.slice(0, end), kind);
        block = null;
        text = text.slice(end);
      }
    }
    if (text) append(text, kind);
    if (kind == 'typed') block = null;
    follow();
  }
  function separateRuns() {
    if (!transcript.lastChild) return;
    block = null;
    if (!part) openBlock();
    part.appendChild(document.createElement('hr'));
  }

  // What the program writes is taken at once (its bytes are valid only during
  // the call) and shown once the program waits again: one change to the page
  // for all it wrote in between.
  var pending = [];
  function output(text, kind) {
    var last = pending[pending.length - 1];
    if (last && last.kind == kind) {
      last.text += text;
      return;
    }
    if (!pending.length) queueMicrotask(flush);
    pending.push({text: text, kind: kind});
  }
  function flush() {
    var shown = pending;
    pending = [];
    shown.forEach(function(piece) { show(piece.text, piece.kind); });
  }

  // The transcript's end stays in view, as on a terminal: after new text, and
  // when the transcript changes size (an on-screen keyboard, a rotated phone)
  // while its end was in view. The scroll after new text waits for the next
  // frame, so a burst of text is laid out once.
  var atEnd = true;
  var scrolledTo = 0;  // where the page itself scrolled last
  var scrolling = false;
  function toEnd() {
    transcript.scrollTop = transcript.scrollHeight;
    scrolledTo = transcript.scrollTop;
    atEnd = true;
  }
  function follow() {
    atEnd = true;
    if (scrolling) return;
    scrolling = true;
    requestAnimationFrame(function() {
      scrolling = false;
      if (atEnd) toEnd();
    });
  }
  // Only a scroll by the reader says whether the end is in view: not the event
  // of the page's own scroll, nor one that comes after the transcript has
  // changed size and before the observer below has seen it.
  var width = 0;
  var height = 0;
  transcript.addEventListener('scroll', function() {
    if (transcript.scrollTop != scrolledTo && transcript.clientWidth == width && transcript.clientHeight == height) {
      atEnd = transcript.scrollTop + transcript.clientHeight >= transcript.scrollHeight - 2;
    }
  });
  new ResizeObserver(function() {  // after layout: the scroll shows in this frame
    width = transcript.clientWidth;
    height = transcript.clientHeight;
    if (atEnd) toEnd();
  }).observe(transcript);

  function tell(text) {
    note.textContent = text;
    note.hidden = !text;
  }

  // ---- The program: emscripten's loader, and the .wasm compiled once per
  // visit (again only after a failure).
  var program = null;
  var replaced = false;  // a newer version of the site has taken over this page
  // A retry asks for the files under another address (a query the server
  // ignores), so that it does not wait on a request that has stalled.
  var tries = 0;
  function loadScript(query) {
    if (typeof FractionCalc == 'function') return Promise.resolve();
    return new Promise(function(resolve, reject) {
      var script = document.createElement('script');
      script.src = 'fraction-calc.js' + query;
      script.onload = function() {
        if (typeof FractionCalc == 'function') resolve(); else reject(new Error('fraction-calc.js'));
      };
      script.onerror = function() { script.remove(); reject(new Error('fraction-calc.js')); };
      document.head.appendChild(script);
    });
  }
  function load(signal) {
    if (replaced) {  // the files this page would fetch now are another version's
      location.reload();
      return new Promise(function() {});
    }
    var query = tries++ ? '?' + tries : '';
    var compiled = fetch('fraction-calc.wasm' + query, {signal: signal}).then(function(response) {
      if (!response.ok) throw new Error('fraction-calc.wasm: ' + response.status);
      return response.arrayBuffer();
    }).then(function(bytes) {
      return WebAssembly.compile(bytes);
    });
    return Promise.all([loadScript(query), compiled]).then(function(both) { return both[1]; });
  }

  // ---- Runs. A run keeps the lines entered for it until it reads them; a line
  // is shown in the transcript when the program reads it, so nothing is shown
  // as sent that the program does not read.
  var END = {text: null, bytes: new Uint8Array(0)};  // Ctrl-D: the end of the input
  var run = null;
  function start(lines) {
    separateRuns();
    var current = run = {lines: lines || [], waiting: null, reading: false, ended: false, over: false};
    tell('');
    endButton.hidden = false;
    againButton.hidden = true;
    input.placeholder = LOADING;
    var aborter = new AbortController();
    var timer = setTimeout(function() {
      aborter.abort();
      program = null;
      failed(current, 'Программа не загрузилась за ' + LOADING_LIMIT_MS / 1000 + ' секунд', null);
    }, LOADING_LIMIT_MS);
    if (!program) {
      program = load(aborter.signal);
      program.catch(function() { program = null; });  // fetched anew for the next try
    }
    program.then(function(module) {
      if (current.over) return;
      return FractionCalc({
        instantiateWasm: function(imports, receive) {
          WebAssembly.instantiate(module, imports).then(receive, function(error) { crashed(current, error); });
          return {};
        },
        readInput: function() {
          if (current.over) return new Promise(function() {});  // given up on: it waits for ever
          if (!current.reading) {
            current.reading = true;
            clearTimeout(timer);
            input.placeholder = '';
            tell('');
            requestAnimationFrame(function() { setTimeout(keepOffline); });
          }
          if (current.ended) return Promise.resolve(END.bytes);
          if (current.lines.length) return Promise.resolve(take(current, current.lines.shift()));
          return new Promise(function(resolve) { current.waiting = resolve; });
        },
        writeOutput: function(fd, bytes) {
          if (!current.over) output(decoder.decode(bytes), fd == 2 ? 'failure' : '');
        },
      }).then(function(calc) {
        return calc.ccall('main', 'number', [], [], {async: true});
      }).then(function(status) {
        finish(current, status);
      }, function(error) {
        // std::_Exit (memory exhausted) ends the program with an ExitStatus.
        if (error && error.name == 'ExitStatus') finish(current, error.status); else crashed(current, error);
      });
    }, function(error) {
      clearTimeout(timer);
      failed(current, 'Программа не загрузилась', error);
    });
  }
  // A line the program reads: shown as typed, then handed over.
  function take(current, line) {
    if (line === END) {
      current.ended = true;
    } else {
      output(line.text + '\n', 'typed');
    }
    return line.bytes;
  }
  function give(line) {
    if (run.waiting) {
      var waiting = run.waiting;
      run.waiting = null;
      waiting(take(run, line));
    } else {
      run.lines.push(line);
      if (!run.reading) tell(LOADING + ' Строк ждёт отправки: ' + run.lines.length + '.');
    }
  }
  // Lines entered after the end of the input, or after the program ended, start
  // the next run, as Enter does: a line typed with that Enter is its first line.
  function finish(current, status) {
    if (current.over) return;
    var rest = unread(current);
    over(current, (status == 0 ? 'Программа завершена.' : 'Программа завершилась с ошибкой (код ' + status + ').') +
         AGAIN);
    if (rest.length) {
      if (!rest[0].text) rest.shift();
      start(rest);
    }
  }
  function unread(current) {
    var lines = current.lines.filter(function(line) { return line !== END; });
    current.lines = [];
    return lines;
  }
  // The program could not be loaded: the lines entered wait for the retry.
  function failed(current, text, error) {
    if (current.over) return;
    over(current, text + detail(error) + '. Проверьте подключение к сети и нажмите «Повторить» или Enter.',
         'Повторить');
  }
  // The program broke down (a fault of the page, or of the browser).
  function crashed(current, error) {
    over(current, 'Сбой программы' + detail(error) + '.' + AGAIN);
    console.error(error);
  }
  function detail(error) {
    return error ? ' (' + error.message + ')' : '';
  }
  function over(current, text, again) {
    if (current.over) return;
    current.over = true;
    flush();
    if (current != run) return;
    input.placeholder = '';
    endButton.hidden = true;
    againButton.hidden = false;
    againButton.textContent = again || 'Новый запуск';
    tell(text);
  }
  // A new run, with the lines that the last one did not read (it could not be
  // loaded, or it broke down) before the new ones.
  function restart(lines) {
    start(unread(run).concat(lines));
  }

  // ---- Typing. Lines typed in this visit, for Up and Down; `draft` keeps the
  // line being typed while older ones are shown.
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
  // Enters lines as Enter does, each in turn; false, with a note, when one of
  // them has a character without a byte, and then none is entered.
  function enter(lines) {
    var encoded = [];
    for (var line of lines) {
      var one = encode(line);
      if (typeof one == 'string') {
        tell(refusal(one));
        return false;
      }
      encoded.push(one);
    }
    tell('');
    encoded.forEach(function(line) {
      if (line.text && line.text != typed[typed.length - 1]) typed.push(line.text);
      if (run.over) {
        restart(line.text ? [line] : []);
      } else {
        give(line);
      }
    });
    shown = typed.length;
    draft = '';
    return true;
  }

  form.addEventListener('submit', function(event) {
    event.preventDefault();
    if (enter([input.value])) input.value = '';
  });
  // Pasted lines are entered one by one, as if typed; the text after the last
  // line break stays in the input line to be edited.
  input.addEventListener('paste', function(event) {
    var text = event.clipboardData.getData('text/plain');
    if (!/[\r\n]/.test(text)) return;
    event.preventDefault();
    var value = input.value;
    var lines = (value.slice(0, input.selectionStart) + text).split(/\r\n|\r|\n/);
    var rest = lines.pop();
    if (!enter(lines)) return;
    input.value = rest + value.slice(input.selectionEnd);
    input.setSelectionRange(rest.length, rest.length);
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
  function endInput() {
    if (!run.over && !run.ended && run.lines.indexOf(END) < 0) give(END);
  }
  endButton.addEventListener('click', function() {
    endInput();
    input.focus();
  });
  againButton.addEventListener('click', function() {
    restart([]);
    input.focus();
  });

  // ---- Offline: the service worker (sw.js) keeps this version of the site
  // for visits without the network. When a newer version takes over this page
  // (on a visit after it was published), the page reloads into it if nothing
  // has been typed yet; otherwise the next visit has it.
  if ('serviceWorker' in navigator) {
    var controlled = !!navigator.serviceWorker.controller;
    navigator.serviceWorker.addEventListener('controllerchange', function() {
      if (!controlled) {
        controlled = true;
        return;
      }
      replaced = true;
      if (!typed.length && !input.value && !run.lines.length) location.reload();
    });
  }
  // Once the program has shown its first prompt: the worker's install fetches
  // every file again, which would compete with the first load. A page the
  // worker already controls needs no registration: the browser looks for a new
  // version on every visit.
  var registered = false;
  function keepOffline() {
    if (registered || !('serviceWorker' in navigator) || navigator.serviceWorker.controller) return;
    registered = true;
    navigator.serviceWorker.register('sw.js', {updateViaCache: 'none'}).catch(function(error) {
      console.warn('Работа без сети недоступна: ' + error.message);
    });
  }

  start();
})();
