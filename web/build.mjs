// Builds the browser board's static files:
//   node build.mjs NODE_MODULES CORE_DIR OUT_DIR
// NODE_MODULES: the page's packages (npm ci of this folder's package-lock.json); CORE_DIR:
// the WebAssembly build holding inkboard-core.js and .wasm; OUT_DIR gets index.html,
// board.css, inkboard.js (the bundle) and inkboard-core.wasm.
import { copyFileSync, mkdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const [nodeModules, coreDir, outDir] = process.argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));
const esbuild = createRequire(join(nodeModules, 'noop.js'))('esbuild');

mkdirSync(outDir, { recursive: true });
await esbuild.build({
  entryPoints: [join(here, 'src', 'main.js')],
  bundle: true,
  format: 'esm',
  platform: 'browser',
  target: 'chrome110',
  minify: true,
  sourcemap: true,
  outfile: join(outDir, 'inkboard.js'),
  nodePaths: [nodeModules],
  alias: { 'inkboard-core': join(coreDir, 'inkboard-core.js') },
  // The module's loader reads files this way only under node, never in a browser.
  external: ['fs', 'path', 'crypto'],
  logLevel: 'warning',
});
for (const file of ['index.html', 'board.css']) copyFileSync(join(here, file), join(outDir, file));
copyFileSync(join(coreDir, 'inkboard-core.wasm'), join(outDir, 'inkboard-core.wasm'));
