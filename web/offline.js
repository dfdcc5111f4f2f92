// Offline: the service worker (sw.js) keeps this version of the site for visits
// without the network, and the page says when it cannot. When a newer version
// takes over this page (on a visit after it was published), the page reloads
// into it if nothing has been entered yet; otherwise the next visit has it.
const notice = document.getElementById('offline');
const UNAVAILABLE = 'Работа без сети недоступна';

function unavailable(why) {
  notice.textContent = UNAVAILABLE + (why ? ': ' + why : '') + '. Страница работает, пока есть связь с сайтом.';
  notice.hidden = false;
}

// `untouched()` says whether nothing has been entered; `replaced()` is called
// when a newer version has taken over.
export function followVersions(untouched, replaced) {
  if (!('serviceWorker' in navigator)) return;
  let controlled = !!navigator.serviceWorker.controller;
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    if (!controlled) {
      controlled = true;
      return;
    }
    replaced();
    if (untouched()) location.reload();
  });
  navigator.serviceWorker.addEventListener('message', event => {
    if (event.data && event.data.unavailable) unavailable(event.data.unavailable);
  });
}

// Once the program has shown its first prompt: the worker's install fetches
// every file again, which would compete with the first load. A worker that
// already controls the page is asked to check its cache, and to refill it when
// the browser has cleared it; it answers only when that fails.
let asked = false;
export function keepOffline() {
  if (asked) return;
  asked = true;
  if (!('serviceWorker' in navigator)) {
    unavailable('браузер не даёт странице хранить свои файлы');
    return;
  }
  const controller = navigator.serviceWorker.controller;
  if (controller) {
    controller.postMessage('check');
    return;
  }
  navigator.serviceWorker.register('sw.js', {updateViaCache: 'none'}).then(registration => {
    // An install that fails leaves the worker redundant, and no worker active;
    // some browsers have dropped it from the registration by now.
    const failed = () => unavailable('браузер не сохранил файлы страницы');
    const worker = registration.installing || registration.waiting;
    if (!worker) {
      if (!registration.active) failed();
      return;
    }
    const watch = () => {
      if (worker.state == 'redundant' && !registration.active) failed();
    };
    worker.addEventListener('statechange', watch);
    watch();
  }, error => unavailable(error.message));
}
