// The transcript: what the program writes, the lines it reads (in bold) and
// its failure texts, kept in view at its end as on a terminal; and the notes
// under it.
const transcript = document.getElementById('transcript');
const note = document.getElementById('note');

// Text is kept in blocks, and blocks in parts of up to PART_BLOCKS, so that new
// text makes the browser lay out a small block, not the whole session again: an
// answer costs the same after thousands of passes. A block ends after a typed
// line, or at a line feed once it is long, so every finished block ends with a
// line feed and a copy of the transcript is the terminal's text, without a line
// break added between blocks.
const PART_BLOCKS = 100;
const BLOCK_CHARACTERS = 4096;
// A run of this many characters without a space is longer than any line on the
// screen. The browser's line breaking with overflow-wrap costs time with the
// square of a word's length, so such a run is put in a span that may break
// between any two letters (word-break: break-all): that costs time in
// proportion to its length, and fills every line, as a terminal does.
const LONG_RUN = 200;
// A run longer than this is put in pieces of this many characters, each a box
// as wide as the transcript: WebKit lays out one inline run of millions of
// characters, or several runs side by side, in time that grows faster than
// their length, and a box at a time in time in proportion to it. (A copy has
// no line break between the pieces; only the last line of each is short.)
const PIECE = 1000000;
const SPACE = /\s/g;  // one character at a time: no backtracking, however long the run
let part = null;
let block = null;
let blockLength = 0;

function openBlock() {
  if (!part || part.childElementCount == PART_BLOCKS) {
    part = document.createElement('div');
    transcript.appendChild(part);
  }
  block = document.createElement('div');
  part.appendChild(block);
  blockLength = 0;
}

// Text that may break between any two letters: one span, or boxes of PIECE.
function run(into, text) {
  const pieces = text.length > PIECE;
  for (let at = 0; at < text.length; at += PIECE) {
    const span = document.createElement('span');
    span.className = pieces ? 'run piece' : 'run';
    span.textContent = text.slice(at, at + PIECE);
    into.appendChild(span);
  }
}

function fill(into, text) {
  let at = 0;    // what is before this is in the page
  let word = 0;  // where the run without a space that is being read began
  SPACE.lastIndex = 0;
  for (;;) {
    const space = SPACE.exec(text);
    const end = space ? space.index : text.length;
    if (end - word >= LONG_RUN) {
      if (word > at) into.appendChild(document.createTextNode(text.slice(at, word)));
      run(into, text.slice(word, end));
      at = end;
    }
    if (!space) break;
    word = end + 1;
  }
  if (at < text.length) into.appendChild(document.createTextNode(text.slice(at)));
}

// Output as it is, typed lines and failure texts in spans of their own.
function append(text, kind) {
  if (!block) openBlock();
  let into = block;
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
    const end = text.lastIndexOf('\n') + 1;
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

export function separateRuns() {
  if (!transcript.lastChild) return;
  block = null;
  if (!part) openBlock();
  part.appendChild(document.createElement('hr'));
}

// What the program writes is taken at once (its bytes are valid only during the
// call) and shown once the program waits again: one change to the page for all
// it wrote in between. A piece leaves the queue only once it is shown.
let pending = [];
export function output(text, kind) {
  const last = pending[pending.length - 1];
  if (last && last.kind == kind) {
    last.text += text;
    return;
  }
  if (!pending.length) queueMicrotask(flush);
  pending.push({text, kind});
}

export function flush() {
  while (pending.length) {
    show(pending[0].text, pending[0].kind);
    pending.shift();
  }
}

// The page's own code has failed: what the program wrote and the page has not
// shown yet is put at the transcript's end as it is, so that none of it is
// lost, and the note says what failed. It goes in runs, which break anywhere:
// as plain text, a line of millions of letters would take the browser minutes
// to lay out.
export function rescue(text) {
  const rest = pending;
  pending = [];
  block = null;
  for (const piece of rest) run(transcript, piece.text);
  follow();
  tell(text);
}

// The transcript's end stays in view, as on a terminal: after new text, and
// when the transcript changes size (an on-screen keyboard, a rotated phone)
// while its end was in view. The scroll after new text waits for the next
// frame, so a burst of text is laid out once.
let atEnd = true;
let scrolledTo = 0;  // where the page itself scrolled last
let scrolling = false;
function toEnd() {
  transcript.scrollTop = transcript.scrollHeight;
  scrolledTo = transcript.scrollTop;
  atEnd = true;
}
function follow() {
  atEnd = true;
  if (scrolling) return;
  scrolling = true;
  requestAnimationFrame(() => {
    scrolling = false;
    if (atEnd) toEnd();
  });
}
// Only a scroll by the reader says whether the end is in view: not the event of
// the page's own scroll, nor one that comes after the transcript has changed
// size and before the observer below has seen it.
let width = 0;
let height = 0;
transcript.addEventListener('scroll', () => {
  if (transcript.scrollTop != scrolledTo && transcript.clientWidth == width && transcript.clientHeight == height) {
    atEnd = transcript.scrollTop + transcript.clientHeight >= transcript.scrollHeight - 2;
  }
});
new ResizeObserver(() => {  // after layout: the scroll shows in this frame
  width = transcript.clientWidth;
  height = transcript.clientHeight;
  if (atEnd) toEnd();
}).observe(transcript);

// The note under the transcript: the state of the run, a line refused.
export function tell(text) {
  note.textContent = text;
  note.hidden = !text;
}
