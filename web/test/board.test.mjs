// The browser board against a real nats-server and the desktop program: headless Chromium
// with pen and touch input, the desktop board in a process of its own.
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import {
  browser, desktopBoard, folder, input, line, natsServer, nginxSite, openBoard, pageServer, strokes, until,
} from './harness.mjs';

async function lesson(name, body) {
  const f = folder(name);
  const server = await natsServer(f.dir);
  const page = await pageServer();
  const context = await browser(join(f.dir, 'profile'));
  try {
    await body({ dir: f.dir, server, page, context });
  } finally {
    await context.close();
    page.close();
    await server.kill();
    f.remove();
  }
}

test('ink crosses between a browser board and a desktop board, and every board keeps the same page', async () => {
  await lesson('cross', async ({ dir, server, page, context }) => {
    const tab = await openBoard(context, page, server, 'lesson');
    const desk = join(dir, 'desk');
    mkdirSync(desk);
    const desktop = desktopBoard(desk, server, 'lesson',
      'wait room\necho ready\nwait strokes 3\n' +
      'mouse press 600 400 left\nmouse move 660 420 left\nmouse release 700 380 left\n' +
      'wait room\nkey S\nkey Escape\n');
    await desktop.ready;
    const hand = await input(tab);
    // Two fingers at once draw a stroke each; a pen draws one; a touch that comes while
    // the pen was just there is the writing hand's palm and draws nothing.
    await hand.fingers([line(150, 150, 450, 200), line(150, 400, 450, 450)]);
    await hand.pen(line(200, 550, 600, 600), 0.8);
    await hand.fingers([line(600, 200, 700, 300)]);
    const desktopDone = await desktop.done;
    assert.equal(desktopDone.code, 0, desktopDone.output);
    const saved = readFileSync(join(desk, '0.xml'), 'utf8');
    assert.equal((saved.match(/<Stroke/g) ?? []).length, 4, desktopDone.output + saved);
    await until(tab, (s) => s.waiting === 0);
    await tab.waitForFunction((text) => window.inkboard.pageText(0) === text, saved, { timeout: 20000 });
    const late = await openBoard(context, page, server, 'lesson');
    assert.equal(await late.evaluate(() => window.inkboard.pageText(0)), saved);
  });
});

test('a browser board whose server restarts sends what waited once and catches up', async () => {
  await lesson('restart', async ({ server, page, context }) => {
    const tab = await openBoard(context, page, server, 'lesson');
    const hand = await input(tab);
    await hand.pen(line(200, 100, 500, 150));
    await until(tab, (s) => s.waiting === 0);
    await server.kill();
    await hand.pen(line(200, 300, 500, 350));
    await hand.pen(line(200, 500, 500, 550));
    await until(tab, (s) => !s.connected && s.waiting === 2);
    await server.start();
    await until(tab, (s) => s.connected && s.caughtUp && s.waiting === 0, 30000);
    const late = await openBoard(context, page, server, 'lesson');
    assert.equal(await strokes(late), 3);
    assert.equal(await late.evaluate(() => window.inkboard.pageText(0)), await tab.evaluate(() => window.inkboard.pageText(0)));
  });
});

test('behind deploy/web\'s nginx site the page finds the room at /nats on its own https address', async () => {
  await lesson('site', async ({ dir, server, context }) => {
    const site = await nginxSite(dir, server);
    try {
      const tab = await context.newPage();
      await tab.goto(`${site.url}/#room=lesson`);
      await until(tab, (s) => s.connected && s.caughtUp);
      await (await input(tab)).pen(line(300, 300, 600, 400));
      await until(tab, (s) => s.waiting === 0);
      assert.equal(await strokes(tab), 1);
    } finally {
      site.stop();
    }
  });
});
