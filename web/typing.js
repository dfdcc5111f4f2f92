// Typing and pasting into the input line: Enter, Up and Down through the lines
// typed in this visit, Ctrl-D, and pastes, which the page takes itself so that
// none is cut short by the input line's own limit.
import {encode, refusal} from './encoding.js';
import {endInput, give, restart, run} from './program.js';
import {tell} from './transcript.js';

const form = document.getElementById('line');
const input = document.getElementById('input');

// Lines typed in this visit, for Up and Down; `draft` keeps the line being typed
// while older ones are shown.
export const typed = [];
let shown = 0;
let draft = '';
function recall(to) {
  if (to < 0 || to > typed.length) return;
  if (shown == typed.length) draft = input.value;
  shown = to;
  input.value = to == typed.length ? draft : typed[to];
  input.setSelectionRange(input.value.length, input.value.length);
}

// A paste refused for one of its lines is kept to mend: that line is in the
// input line, and the paste's other lines wait here to be entered with it, in
// their places, at the next Enter. Esc drops them.
let held = null;  // {before, after: lines; rest: what the input line holds then, caret: where in it}

// Enters lines as Enter does, each in turn, and gives -1. When one of them has
// a character without a byte, none is entered, and the index of that line is
// given.
function enter(lines) {
  const encoded = [];
  for (const [i, line] of lines.entries()) {
    const one = encode(line);
    if (typeof one == 'string') return i;
    encoded.push(one);
  }
  tell('');
  for (const line of encoded) {
    if (line.text && line.text != typed[typed.length - 1]) typed.push(line.text);
    if (run.over) {
      restart(line.text ? [line] : []);
    } else {
      give(line);
    }
  }
  shown = typed.length;
  draft = '';
  return -1;
}

// Enters the lines, and then the input line holds `rest`, with the caret at
// `caret`; or a refused line goes into the input line to mend, with the lines
// around it held.
function enterOrHold(lines, rest, caret) {
  const refused = enter(lines);
  if (refused < 0) {
    held = null;
    put(rest, caret);
    return;
  }
  const line = lines[refused];
  held = {before: lines.slice(0, refused), after: lines.slice(refused + 1), rest, caret};
  put(line, line.length);
  const waiting = held.before.length + held.after.length;
  tell(refusal(encode(line)) + (waiting ? ' Исправьте её и нажмите Enter: вместе с ней отправятся остальные ' +
                                          'строки вставки (' + waiting + '); Esc отменит их отправку.' : ''));
}

function put(value, caret) {
  input.value = value;
  input.setSelectionRange(caret, caret);
}

form.addEventListener('submit', event => {
  event.preventDefault();
  if (held) {
    enterOrHold([...held.before, input.value, ...held.after], held.rest, held.caret);
  } else if (enter([input.value]) < 0) {
    input.value = '';
  } else {
    tell(refusal(encode(input.value)));
  }
});

// A paste's lines are entered one by one, as if typed; the text after its last
// line break goes into the input line to be edited. The input line holds only
// so much (half a million characters in WebKit): a longer text there is refused
// whole, with a note, rather than cut.
input.addEventListener('paste', event => {
  const text = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
  if (!text) return;  // no text (an image, say): the browser's own way
  event.preventDefault();
  const value = input.value;
  const before = value.slice(0, input.selectionStart);
  const after = value.slice(input.selectionEnd);
  const lines = (before + text).split(/\r\n|\r|\n/);
  const last = lines.pop();
  input.value = last + after;
  const fits = input.value.length == last.length + after.length;
  const limit = input.value.length;
  put(value, before.length);
  if (!fits) {
    tell('Вставка не принята: в строке ввода помещается ' + limit + ' знаков, а в ней было бы ' +
         (last.length + after.length) + '. Строка, вставленная вместе с переводом строки, отправляется целиком.');
    return;
  }
  if (!lines.length) {
    put(last + after, last.length);
    return;
  }
  if (held) {  // into a line being mended: the held lines go with it
    enterOrHold([...held.before, ...lines, last + after, ...held.after], held.rest, held.caret);
  } else {
    enterOrHold(lines, last + after, last.length);
  }
});

input.addEventListener('keydown', event => {
  if (event.key == 'ArrowUp' || event.key == 'ArrowDown') {
    event.preventDefault();
    recall(shown + (event.key == 'ArrowUp' ? -1 : 1));
  } else if (event.key == 'Escape' && held) {
    held = null;
    tell('');
  } else if (event.ctrlKey && !event.altKey && !event.metaKey && event.code == 'KeyD') {
    event.preventDefault();  // not the browser's bookmark
    if (!input.value) endInput();
  }
});
