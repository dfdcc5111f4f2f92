// The runs of the program: emscripten's loader (fraction-calc.js) and the .wasm,
// compiled once per visit (again only after a failure), and one instance of the
// module a run. A run keeps the lines entered for it until it reads them; a line
// is shown in the transcript when the program reads it, so nothing is shown as
// sent that the program does not read.
import {decoder} from './encoding.js';
import {flush, output, separateRuns, tell} from './transcript.js';

const input = document.getElementById('input');
const endButton = document.getElementById('end');
const againButton = document.getElementById('again');

// The program that has not made its first read this long after the page asked
// for it is given up, with a message and a retry.
const LOADING_LIMIT_MS = 15000;
const LOADING = 'Загрузка программы…';
const AGAIN = ' Enter или «Новый запуск» запускает её снова.';
// Lines waiting to be read (a long paste, lines typed ahead) are handed over for
// this long at a time, then the browser has its turn: the page's buttons and
// scrolling answer while the program works through them. The browser then lays
// out what the slice wrote, so a longer slice makes a longer wait (measured in
// WebKit: 3 ms gives waits under 0.1 s, 8 ms up to 0.4 s).
const SLICE_MS = 3;

let program = null;
// What the page does once the program first waits for a line (set by the page).
export const hooks = {firstRead() {}, replaced: false};

// A retry asks for the files under another address (a query the server
// ignores), so that it does not wait on a request that has stalled.
let tries = 0;
function loadScript(query) {
  if (typeof FractionCalc == 'function') return Promise.resolve();
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'fraction-calc.js' + query;
    script.onload = () => {
      if (typeof FractionCalc == 'function') resolve(); else reject(new Error('fraction-calc.js'));
    };
    script.onerror = () => {
      script.remove();
      reject(new Error('fraction-calc.js'));
    };
    document.head.appendChild(script);
  });
}
function load(signal) {
  if (hooks.replaced) {  // the files this page would fetch now are another version's
    location.reload();
    return new Promise(() => {});
  }
  const query = tries++ ? '?' + tries : '';
  const compiled = fetch('fraction-calc.wasm' + query, {signal}).then(response => {
    if (!response.ok) throw new Error('fraction-calc.wasm: ' + response.status);
    return response.arrayBuffer();
  }).then(bytes => WebAssembly.compile(bytes));
  return Promise.all([loadScript(query), compiled]).then(both => both[1]);
}

// A task of its own, after what the browser has waiting (input, layout), with
// none of setTimeout's added delay.
const channel = new MessageChannel();
const tasks = [];
channel.port1.onmessage = () => tasks.shift()();
function nextTask() {
  return new Promise(resolve => {
    tasks.push(resolve);
    channel.port2.postMessage(null);
  });
}

const END = {text: null, bytes: new Uint8Array(0)};  // Ctrl-D: the end of the input
export let run = null;
let sliceStart = 0;

export function start(lines) {
  separateRuns();
  const current = run = {lines: lines || [], waiting: null, reading: false, ended: false, over: false};
  tell('');
  endButton.hidden = false;
  againButton.hidden = true;
  input.placeholder = LOADING;
  const aborter = new AbortController();
  const timer = setTimeout(() => {
    aborter.abort();
    program = null;
    failed(current, 'Программа не загрузилась за ' + LOADING_LIMIT_MS / 1000 + ' секунд', null);
  }, LOADING_LIMIT_MS);
  if (!program) {
    program = load(aborter.signal);
    program.catch(() => { program = null; });  // fetched anew for the next try
  }
  program.then(module => {
    if (current.over) return;
    return FractionCalc({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then(receive, error => crashed(current, error));
        return {};
      },
      readInput() {
        if (!current.reading && !current.over) {
          current.reading = true;
          clearTimeout(timer);
          input.placeholder = '';
          tell('');
          sliceStart = performance.now();
          // The frame that shows the prompt, for whoever measures (bench/web_page.py).
          requestAnimationFrame(() => {
            performance.mark('prompt shown');
            setTimeout(hooks.firstRead);
          });
        }
        return read(current);
      },
      writeOutput(fd, bytes) {
        if (!current.over) output(decoder.decode(bytes), fd == 2 ? 'failure' : '');
      },
    }).then(calc => calc.ccall('main', 'number', [], [], {async: true})).then(status => {
      finish(current, status);
    }, error => {
      // std::_Exit (memory exhausted) ends the program with an ExitStatus.
      if (error && error.name == 'ExitStatus') finish(current, error.status); else crashed(current, error);
    });
  }, error => {
    clearTimeout(timer);
    failed(current, 'Программа не загрузилась', error);
  });
}

// The next line for the program: at once while the slice lasts, after the
// browser's turn once it is over, or when one is entered.
function read(current) {
  if (current.over) return new Promise(() => {});  // given up on: it waits for ever
  if (current.ended) return Promise.resolve(END.bytes);
  if (!current.lines.length) return new Promise(resolve => { current.waiting = resolve; });
  if (performance.now() - sliceStart < SLICE_MS) return Promise.resolve(take(current, current.lines.shift()));
  return nextTask().then(() => {
    sliceStart = performance.now();
    return read(current);
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

export function give(line) {
  if (run.waiting) {
    const waiting = run.waiting;
    run.waiting = null;
    sliceStart = performance.now();
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
  const rest = unread(current);
  over(current, (status == 0 ? 'Программа завершена.' : 'Программа завершилась с ошибкой (код ' + status + ').') +
       AGAIN);
  if (rest.length) {
    if (!rest[0].text) rest.shift();
    start(rest);
  }
}
function unread(current) {
  const lines = current.lines.filter(line => line !== END);
  current.lines = [];
  return lines;
}
// The program could not be loaded: the lines entered wait for the retry.
function failed(current, text, error) {
  if (current.over) return;
  over(current, text + detail(error) + '. Проверьте подключение к сети и нажмите «Повторить» или Enter.', 'Повторить');
}
// The program broke down (a fault of the page, or of the browser).
function crashed(current, error) {
  over(current, 'Сбой программы' + detail(error) + '.' + AGAIN);
  console.error(error);
}
export function detail(error) {
  return error ? ' (' + (error.message || error) + ')' : '';
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
export function restart(lines) {
  start(unread(run).concat(lines));
}

export function endInput() {
  if (!run.over && !run.ended && run.lines.indexOf(END) < 0) give(END);
}
