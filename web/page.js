// The calculator on a web page (index.html): this module wires the page's parts
// together. program.js loads the program (fraction-calc.js, emscripten's
// loader, and fraction-calc.wasm) and runs it; transcript.js shows what it
// writes; typing.js sends the lines typed and pasted in the input line to its
// standard input, as Windows-1251 (encoding.js); offline.js keeps the site for
// visits without the network.
import {detail, hooks, run, start} from './program.js';
import {followVersions, keepOffline} from './offline.js';
import {rescue} from './transcript.js';
import {typed} from './typing.js';

// The page has its script: Enter now reaches the handler in typing.js instead of
// submitting the form (which stays disabled until then, so that an early Enter
// cannot navigate away and cancel the downloads), and the note that the script
// has not come is not needed.
document.querySelector('#line button[type=submit]').disabled = false;
document.getElementById('stalled').remove();

// A failure of the page's own code loses none of the program's output and is
// shown as one.
function pageFailed(error) {
  rescue('Сбой страницы' + detail(error) + '. Вывод программы показан без оформления.');
}
addEventListener('error', event => pageFailed(event.error || event.message));
addEventListener('unhandledrejection', event => pageFailed(event.reason));

hooks.firstRead = keepOffline;
followVersions(() => !typed.length && !document.getElementById('input').value && !run.lines.length,
               () => { hooks.replaced = true; });

start();
