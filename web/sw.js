// The service worker: once the page has been visited, the site's files come from
// a cache, with the network or without it. The build fills in the files of this
// version with their SHA-256 digests, and VERSION, made from them, names the
// cache: a new version installs into a cache of its own, every file checked
// against its digest (a server that holds some old files and some new ones
// fails the install, and the old version stays), and only then replaces the old
// one, so a page never gets files of two versions.
var FILES = @FILES@;
var VERSION = '@VERSION@';
var CACHE = 'fraction-calc-' + VERSION;
var scope = new URL(self.registration.scope).pathname;

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), function(byte) { return byte.toString(16).padStart(2, '0'); }).join('');
}

// Every file of this version not yet in its cache, fetched past the browser's
// HTTP cache (which may hold an older copy) and checked against its digest.
function fill(cache) {
  return cache.keys().then(function(requests) {
    var cached = new Set(requests.map(function(request) { return new URL(request.url).pathname.slice(scope.length); }));
    return Promise.all(Object.keys(FILES).filter(function(name) { return !cached.has(name); }).map(function(name) {
      return fetch(name, {cache: 'no-cache'}).then(function(response) {
        if (!response.ok) throw new Error(name + ': ' + response.status);
        return response.clone().arrayBuffer().then(function(body) {
          return crypto.subtle.digest('SHA-256', body);
        }).then(function(digest) {
          if (hex(digest) != FILES[name]) throw new Error(name + ' is not the file of version ' + VERSION);
          return cache.put(name, response);
        });
      });
    }));
  });
}

self.addEventListener('install', function(event) {
  event.waitUntil(caches.open(CACHE).then(fill).then(function() {
    return self.skipWaiting();
  }, function(error) {
    return caches.delete(CACHE).then(function() { throw error; });
  }));
});

// The page asks once it runs. A cache the browser has cleared (with the site's
// other data, or to make room) is filled again, so that the next visit without
// the network still works; the page is told when that cannot be done.
self.addEventListener('message', function(event) {
  if (event.data != 'check') return;
  event.waitUntil(caches.open(CACHE).then(fill).catch(function(error) {
    event.source.postMessage({unavailable: error.message});
  }));
});

// The older versions' caches go once this one is active.
self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.filter(function(name) {
      return name.startsWith('fraction-calc-') && name != CACHE;
    }).map(function(name) { return caches.delete(name); }));
  }).then(function() {
    return self.clients.claim();
  }));
});

// A file of the site (the folder itself is index.html, with any query) comes
// from this version's cache; anything else goes to the network.
self.addEventListener('fetch', function(event) {
  var url = new URL(event.request.url);
  var name = url.pathname.slice(scope.length) || 'index.html';
  if (event.request.method != 'GET' || url.origin != location.origin || !url.pathname.startsWith(scope) ||
      !Object.prototype.hasOwnProperty.call(FILES, name)) {
    return;
  }
  event.respondWith(caches.open(CACHE).then(function(cache) {
    return cache.match(name);
  }).then(function(response) {
    return response || fetch(event.request);
  }));
});
