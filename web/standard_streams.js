// The program's standard input and output in a web page or under Node.js, in
// place of emscripten's console, which decodes output as UTF-8 and holds it
// until a line feed (a prompt has none). The C++ program is the native one; only
// the two system calls beneath its C library differ. The host that creates the
// module (the page, or the Node runner) passes two functions:
//
//   readInput()               a Promise of the next input: a Uint8Array, empty
//                             at the end of the input, or null when it cannot
//                             be read;
//   writeOutput(fd, bytes)    takes the bytes written to 1 (standard output) or
//                             2 (standard error) at once, and throws when they
//                             cannot be written. The bytes are a view of the
//                             program's memory, valid only during the call.
//
// A read waits, through Asyncify, for what the host hands over, so the program
// sleeps between lines without a thread. Bytes are the program's own
// (Windows-1251); the host decodes them or passes them on.
mergeInto(LibraryManager.library, {
  // What the host handed over and a read has not taken yet.
  $standardInput: {pending: new Uint8Array(0), ended: false, failed: false},

  fd_read__deps: ['$standardInput'],
  fd_read: function(fd, iov, iovcnt, pnum) {
    if (fd != 0) return {{{ cDefine('EBADF') }}};
    // Fills the buffers from what is pending; the result is an errno for the C library.
    function take() {
      if (standardInput.failed) return {{{ cDefine('EIO') }}};
      var count = 0;
      for (var i = 0; i < iovcnt && standardInput.pending.length; i++) {
        var ptr = {{{ makeGetValue('iov', 'i * 8', 'i32') }}} >>> 0;
        var len = {{{ makeGetValue('iov', 'i * 8 + 4', 'i32') }}} >>> 0;
        var part = standardInput.pending.subarray(0, len);
        HEAPU8.set(part, ptr);
        standardInput.pending = standardInput.pending.subarray(part.length);
        count += part.length;
      }
      {{{ makeSetValue('pnum', 0, 'count', 'i32') }}};
      return 0;
    }
    return Asyncify.handleSleep(function(wakeUp) {
      if (standardInput.pending.length || standardInput.ended || standardInput.failed) {
        return wakeUp(take());  // no wait: the program goes on at once
      }
      Module['readInput']().then(function(bytes) {
        if (bytes === null) {
          standardInput.failed = true;
        } else if (bytes.length == 0) {
          standardInput.ended = true;  // every later read sees the end too
        } else {
          standardInput.pending = bytes;
        }
        wakeUp(take());
      });
    });
  },

  fd_write: function(fd, iov, iovcnt, pnum) {
    if (fd != 1 && fd != 2) return {{{ cDefine('EBADF') }}};
    var count = 0;
    for (var i = 0; i < iovcnt; i++) {
      var ptr = {{{ makeGetValue('iov', 'i * 8', 'i32') }}} >>> 0;
      var len = {{{ makeGetValue('iov', 'i * 8 + 4', 'i32') }}} >>> 0;
      if (len == 0) continue;
      try {
        Module['writeOutput'](fd, HEAPU8.subarray(ptr, ptr + len));
      } catch (e) {
        return {{{ cDefine('EIO') }}};  // the C library reports the failure
      }
      count += len;
    }
    {{{ makeSetValue('pnum', 0, 'count', 'i32') }}};
    return 0;
  },
});
