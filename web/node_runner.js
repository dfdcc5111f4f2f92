// Under Node.js, `node fraction-calc.js` is the calculator on this process's
// standard input and output, with the native program's bytes and exit status.
// The .wasm is read beside this file: emscripten's loader would fetch() it,
// which fails on a file path under Node 18 and later.
if (typeof process == 'object' && typeof require == 'function' && require.main === module) {
  (function() {
    var fs = require('fs');
    var chunk = Buffer.alloc(65536);
    FractionCalc({
      wasmBinary: fs.readFileSync(__filename.replace(/\.js$/, '.wasm')),
      readInput: function() {
        return new Promise(function(resolve) {
          fs.read(0, chunk, 0, chunk.length, null, function(error, count) {
            resolve(error ? null : chunk.subarray(0, count));
          });
        });
      },
      writeOutput: function(fd, bytes) {
        for (var done = 0; done < bytes.length;) {
          try {
            done += fs.writeSync(fd, bytes, done);
          } catch (e) {
            if (e.code != 'EAGAIN') throw e;  // a non-blocking pipe that is full: try again
          }
        }
      },
    }).then(function(calc) {
      return calc.ccall('main', 'number', [], [], {async: true});
    }).then(function(status) {
      process.exitCode = status;
    }, function(error) {
      // std::_Exit (memory exhausted) ends the program with an ExitStatus.
      if (error && error.name == 'ExitStatus') {
        process.exitCode = error.status;
      } else {
        throw error;
      }
    });
  })();
}
