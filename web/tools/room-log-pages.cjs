// Prints what the browser board's module makes of a room log (share/RoomLog.h):
//   node room-log-pages.cjs MODULE.js LOG
// The module is the one the page loads; its .wasm lies beside it.
'use strict';
const fs = require('fs');
const [modulePath, logPath] = process.argv.slice(2);
const createCore = require(modulePath);
createCore({ wasmBinary: fs.readFileSync(modulePath.replace(/\.js$/, '.wasm')) }).then((core) => {
  process.stdout.write(core.roomLogPages(fs.readFileSync(logPath)));
});
