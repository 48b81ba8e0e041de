// What the browser board's tests start for real, on loopback only: a nats-server with
// JetStream and its WebSocket listener, a static server for build/web, headless Chromium
// (Debian's, driven by playwright-core) with pen and touch input through CDP, and desktop
// boards (the program itself, in processes of their own).
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import net from 'node:net';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';

export const build = process.env.INKBOARD_BUILD_DIR;
const { chromium } = createRequire(join(build, 'web-packages', 'node_modules', 'x.js'))('playwright-core');

export function folder(name) {
  const dir = mkdtempSync(join(tmpdir(), `inkboard-${name}-`));
  return { dir, remove: () => rmSync(dir, { recursive: true, force: true }) };
}

async function freePort() {
  const server = net.createServer().listen(0, '127.0.0.1');
  await once(server, 'listening');
  const { port } = server.address();
  server.close();
  return port;
}

// Resolves once `port` takes connections, at most `ms` later.
async function reachable(port, ms = 10000) {
  for (const end = Date.now() + ms; Date.now() < end; await pause(50)) {
    const ok = await new Promise((resolve) => {
      const s = net.connect(port, '127.0.0.1', () => { s.end(); resolve(true); }).on('error', () => resolve(false));
    });
    if (ok) return;
  }
  throw new Error(`nothing listens on ${port}`);
}

export function pause(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// A nats-server of its own: start() again after kill() finds the same store and ports.
export async function natsServer(dir) {
  const port = await freePort();
  const wsPort = await freePort();
  const conf = join(dir, 'nats.conf');
  writeFileSync(conf, `listen: 127.0.0.1:${port}\nmax_payload: 8MB\n` +
    `jetstream { store_dir: "${join(dir, 'store')}" }\n` +
    `websocket { listen: "127.0.0.1:${wsPort}", no_tls: true }\n`);
  const server = {
    port, wsPort, process: null,
    url: `nats://127.0.0.1:${port}`, ws: `ws://127.0.0.1:${wsPort}`,
    async start() {
      this.process = spawn('nats-server', ['-c', conf], { stdio: 'ignore' });
      await reachable(wsPort);
      await reachable(port);
    },
    async kill() {
      const p = this.process;
      if (!p || p.exitCode !== null) return;
      p.kill('SIGKILL');
      await once(p, 'exit');
    },
  };
  await server.start();
  return server;
}

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.map': 'application/json' };

// build/web as a web server serves it.
export async function pageServer() {
  const root = join(build, 'web');
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
    try {
      const body = readFileSync(join(root, path === '/' ? 'index.html' : path));
      res.writeHead(200, { 'content-type': TYPES[extname(path)] ?? 'application/octet-stream' }).end(body);
    } catch {
      res.writeHead(404).end();
    }
  }).listen(0, '127.0.0.1');
  await once(server, 'listening');
  return { url: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
}

// Headless Chromium with a fresh profile of its own.
export async function browser(profile) {
  return chromium.launchPersistentContext(profile, {
    executablePath: process.env.INKBOARD_CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1000, height: 800 },
    ignoreHTTPSErrors: true, // the tests' web server has a certificate of its own
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
}

// A browser board in `room`, once connected and caught up.
export async function openBoard(context, page, server, room) {
  const tab = await context.newPage();
  tab.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await tab.goto(`${page.url}/index.html#room=${room}&nats=${server.ws}`);
  await until(tab, (s) => s.connected && s.caughtUp);
  return tab;
}

// Waits until the board's status() passes `test`.
export async function until(tab, test, ms = 20000) {
  await tab.waitForFunction(`(${test})(window.inkboard?.status() ?? {})`, null, { timeout: ms, polling: 50 });
}

export async function strokes(tab, page = 0) {
  const text = await tab.evaluate((n) => window.inkboard.pageText(n), page);
  return (text.match(/<Stroke/g) ?? []).length;
}

// Input as a tablet and a touch screen send it, through CDP.
export async function input(tab) {
  const cdp = await tab.context().newCDPSession(tab);
  const mouse = (type, x, y, extra) => cdp.send('Input.dispatchMouseEvent', { type, x, y, ...extra });
  return {
    async pen(points, force = 0.6) {
      const [x0, y0] = points[0];
      const pen = { pointerType: 'pen', button: 'left', force };
      await mouse('mouseMoved', x0, y0, { pointerType: 'pen', button: 'none' });
      await mouse('mousePressed', x0, y0, { ...pen, buttons: 1, clickCount: 1 });
      for (const [x, y] of points.slice(1)) await mouse('mouseMoved', x, y, { ...pen, buttons: 1 });
      const [x1, y1] = points[points.length - 1];
      await mouse('mouseReleased', x1, y1, { ...pen, buttons: 0, clickCount: 1 });
    },
    // Each finger's path, all moving at once.
    async fingers(paths) {
      const at = (k) => paths.map((p, id) => ({ x: p[Math.min(k, p.length - 1)][0], y: p[Math.min(k, p.length - 1)][1], id }));
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(0) });
      const steps = Math.max(...paths.map((p) => p.length));
      for (let k = 1; k < steps; k++) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(k) });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    },
  };
}

export function line(x0, y0, x1, y1, n = 12) {
  return Array.from({ length: n + 1 }, (_, k) => [x0 + ((x1 - x0) * k) / n, y0 + ((y1 - y0) * k) / n]);
}

// The desktop program in a process of its own, playing `script` in `dir` on room `room`.
// Resolves `ready` at the line "ready" on its output; `done` at its end.
export function desktopBoard(dir, server, room, script) {
  writeFileSync(join(dir, 'board.replay'), script);
  const args = ['--share', `${server.url}/${room}`, '--replay', 'board.replay', dir];
  const program = join(build, 'inkboard');
  const child = process.env.DISPLAY
    ? spawn(program, args, { cwd: dir })
    : spawn('xvfb-run', ['-a', '-s', '-screen 0 1280x1024x24', program, ...args], { cwd: dir });
  let output = '';
  let ready;
  const readyPromise = new Promise((resolve) => { ready = resolve; });
  child.stdout.on('data', (d) => {
    output += d;
    if (/^ready$/m.test(output)) ready();
  });
  child.stderr.on('data', (d) => { output += d; });
  const done = once(child, 'exit').then(([code]) => ({ code, output }));
  return { ready: readyPromise, done, kill: () => child.kill('SIGKILL'), output: () => output };
}

// deploy/web's nginx site as a school puts it up, on loopback ports, in front of build/web and
// `server`'s WebSocket listener, with a certificate of its own. Resolves to its https address.
export async function nginxSite(dir, server) {
  const site = join(dir, 'site');
  mkdirSync(join(site, 'temp'), { recursive: true });
  const [https, http] = [await freePort(), await freePort()];
  await run('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1', '-subj', '/CN=127.0.0.1',
    '-keyout', join(site, 'board.key'), '-out', join(site, 'board.pem')]);
  const conf = readFileSync(new URL('../../deploy/web/inkboard.conf', import.meta.url), 'utf8')
    .replace(/^\s*listen \[::\].*$/gm, '')
    .replace('listen 80;', `listen 127.0.0.1:${http};`)
    .replace('listen 443 ssl;', `listen 127.0.0.1:${https} ssl;`)
    .replaceAll('/etc/inkboard/', `${site}/`)
    .replaceAll('/srv/inkboard/web', join(build, 'web'))
    .replace('server 127.0.0.1:8080;', `server 127.0.0.1:${server.wsPort};`);
  writeFileSync(join(site, 'inkboard.conf'), conf);
  const temp = ['client_body', 'proxy', 'fastcgi', 'uwsgi', 'scgi']
    .map((t) => `${t}_temp_path ${join(site, 'temp', t)};`).join(' ');
  writeFileSync(join(site, 'nginx.conf'), `daemon off; worker_processes 1; pid ${join(site, 'nginx.pid')};
error_log ${join(site, 'error.log')}; ${process.getuid() === 0 ? 'user root;' : ''}
events {}
http { include /etc/nginx/mime.types; access_log off; ${temp} include ${join(site, 'inkboard.conf')}; }\n`);
  const nginx = spawn('nginx', ['-p', site, '-c', join(site, 'nginx.conf')], { stdio: 'ignore' });
  await reachable(https);
  return { url: `https://127.0.0.1:${https}`, stop: () => nginx.kill('SIGTERM') };
}

async function run(program, args) {
  const child = spawn(program, args, { stdio: 'ignore' });
  const [code] = await once(child, 'exit');
  if (code !== 0) throw new Error(`${program} ended with ${code}`);
}
