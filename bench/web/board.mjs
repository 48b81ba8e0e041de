// The browser board's figures (bench/RESULTS.md), each against its yardstick in the same run:
//   - joining a 10,000-stroke page in headless Chromium against the desktop board's join
//     (each from its start until it shows the room's page; an empty room's join as well);
//   - frame time while a pen draws over that page against an empty page (each frame timed
//     to its end on the graphics card);
//   - ink from the browser's pen to a desktop board (bench_ink_receiver), per pen sample.
// Run after a build in build/:  xvfb-run -a node bench/web/board.mjs [build]
import { spawn } from 'node:child_process';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { createInterface } from 'node:readline';

process.env.INKBOARD_BUILD_DIR ??= resolve(process.argv[2] ?? new URL('../../build', import.meta.url).pathname);
const { browser, build, desktopBoard, folder, input, natsServer, pageServer, pause } =
  await import('../../web/test/harness.mjs');

const STROKES = 10000;
const ROUNDS = 3;
const now = () => performance.timeOrigin + performance.now();
const median = (a) => [...a].sort((x, y) => x - y)[Math.floor(a.length / 2)];
const quantile = (a, q) => [...a].sort((x, y) => x - y)[Math.min(a.length - 1, Math.floor(q * a.length))];
const ms = (v) => `${v.toFixed(1)} ms`;

// A page of `n` short strokes in rows, as a page file holds them.
function pageFile(n) {
  const rows = Math.ceil(Math.sqrt(n));
  let text = '<?xml version="1.0" ?>\n<Drawing>';
  for (let i = 0; i < n; i++) {
    const x = 20 + (i % rows) * (860 / rows), y = 20 + Math.floor(i / rows) * (860 / rows);
    text += '\n    <Stroke>';
    for (let k = 0; k < 8; k++) {
      text += `\n        <CP x="${(x + k).toFixed(6)}" y="${(y + (k % 3)).toFixed(6)}" r="1.500000" a="1.000000" />`;
    }
    text += '\n    </Stroke>';
  }
  return `${text}\n</Drawing>\n`;
}

async function desktopJoin(dir, server, room) {
  mkdirSync(dir);
  const start = now();
  const board = desktopBoard(dir, server, room, 'wait room\necho ready\nkey Escape\n');
  await board.ready;
  const took = now() - start;
  await board.done;
  return took;
}

async function browserJoin(context, page, server, room, strokes) {
  const tab = await context.newPage();
  const start = now();
  await tab.goto(`${page.url}/index.html#room=${room}&nats=${server.ws}`);
  await tab.waitForFunction((n) => window.inkboard?.status().caughtUp && window.inkboard.shownStrokes() === n,
    strokes, { timeout: 120000, polling: 5 });
  const took = now() - start;
  return { tab, took };
}

// A pen stroke of `steps` samples 8 ms apart, zigzagging over the page; `sent` notes when
// each sample went (ms since the epoch) and where (CSS pixels).
async function penStroke(tab, steps, sent = []) {
  const cdp = await tab.context().newCDPSession(tab);
  const send = async (type, x, y, buttons) => {
    sent.push({ at: now(), x, y });
    await cdp.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', buttons, pointerType: 'pen', force: 0.6, clickCount: 1 });
  };
  await send('mousePressed', 250, 200, 1);
  for (let k = 1; k <= steps; k++) {
    await send('mouseMoved', 250 + (k % 80) * 6, 200 + k * 1.5 + (k % 2) * 5, 1);
    await pause(8);
  }
  await send('mouseReleased', 250 + (steps % 80) * 6, 200 + steps * 1.5 + (steps % 2) * 5, 0);
}

const f = folder('bench');
const server = await natsServer(f.dir);
const page = await pageServer();
const context = await browser(join(f.dir, 'profile'));
try {
  // The big page goes to the room as a desktop board's own page (its seed).
  const seed = join(f.dir, 'seed');
  mkdirSync(seed);
  writeFileSync(join(seed, '0.xml'), pageFile(STROKES));
  const seeding = desktopBoard(seed, server, 'big', 'wait room\nkey Escape\n');
  if ((await seeding.done).code !== 0) throw new Error(seeding.output());

  const joins = { desktop: [], browser: [], desktopEmpty: [], browserEmpty: [] };
  for (let round = 0; round < ROUNDS; round++) {
    joins.desktop.push(await desktopJoin(join(f.dir, `d${round}`), server, 'big'));
    const big = await browserJoin(context, page, server, 'big', STROKES);
    joins.browser.push(big.took);
    await big.tab.close();
    joins.desktopEmpty.push(await desktopJoin(join(f.dir, `e${round}`), server, `empty${round}`));
    const empty = await browserJoin(context, page, server, `empty${round}`, 0);
    joins.browserEmpty.push(empty.took);
    await empty.tab.close();
  }
  console.log(`join, ${STROKES} strokes: desktop ${ms(median(joins.desktop))}, browser ${ms(median(joins.browser))}, ` +
    `ratio ${(median(joins.browser) / median(joins.desktop)).toFixed(2)}`);
  console.log(`join, empty room:    desktop ${ms(median(joins.desktopEmpty))}, browser ${ms(median(joins.browserEmpty))}`);
  console.log(`join less the empty room's: desktop ${ms(median(joins.desktop) - median(joins.desktopEmpty))}, ` +
    `browser ${ms(median(joins.browser) - median(joins.browserEmpty))}`);

  const frames = {};
  for (const [name, room, n] of [['full', 'big', STROKES], ['empty', 'blank', 0]]) {
    const { tab } = await browserJoin(context, page, server, room, n);
    await tab.evaluate(() => window.inkboard.frames(true));
    await penStroke(tab, 250);
    frames[name] = await tab.evaluate(() => window.inkboard.frames(false));
    await tab.close();
  }
  console.log(`frame while drawing: ${STROKES}-stroke page median ${ms(median(frames.full))} p95 ${ms(quantile(frames.full, 0.95))} ` +
    `(${frames.full.length} frames); empty page median ${ms(median(frames.empty))} p95 ${ms(quantile(frames.empty, 0.95))} ` +
    `(${frames.empty.length}); ratio of medians ${(median(frames.full) / median(frames.empty)).toFixed(2)}`);

  const receiver = spawn(join(build, 'bench', 'bench_ink_receiver'), [`${server.url}/ink`, '60']);
  const received = [];
  const lines = createInterface({ input: receiver.stdout });
  await new Promise((ready) => lines.on('line', (l) => {
    if (l === 'ready') ready();
    const [kind, at, ...xy] = l.split(' ');
    if (kind === 'ink') received.push({ at: Number(at) / 1000, xy: xy.map(Number) });
  }));
  const { tab } = await browserJoin(context, page, server, 'ink', 0);
  const v = await tab.evaluate(() => window.inkboard.view());
  const sent = [];
  await penStroke(tab, 400, sent);
  await pause(500);
  receiver.kill();
  // Each sample's point as the board places it (canvas units, y up), matched to the first
  // piece that carried it.
  const latency = [];
  for (const s of sent) {
    const cx = (s.x - v.width / 2) / v.zoom - v.panX + v.width / 2;
    const cy = (v.height - s.y - v.height / 2) / v.zoom - v.panY + v.height / 2;
    const got = received.find((r) => r.xy.some((c, i) => i % 2 === 0 && Math.abs(c - cx) < 0.01 && Math.abs(r.xy[i + 1] - cy) < 0.01));
    if (got) latency.push(got.at - s.at);
  }
  console.log(`ink, browser pen to desktop board: ${latency.length} of ${sent.length} samples matched (the rest were ` +
    `simplified away or moved too little); p50 ${ms(quantile(latency, 0.5))} p99 ${ms(quantile(latency, 0.99))} ` +
    `max ${ms(Math.max(...latency))}`);
} finally {
  await context.close();
  page.close();
  await server.kill();
  f.remove();
}
