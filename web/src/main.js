// The browser board: joins the room the address names and draws with the desktop board's
// own core (the module), over the NATS server's WebSocket listener.
//   index.html#room=ROOM&nats=ws://HOST:PORT   (without nats=: this page's origin at /nats)
import createInkboardCore from 'inkboard-core';
import { listen } from './input.js';
import { Renderer } from './renderer.js';
import { Room } from './room.js';

const PALETTE = ['#000000', '#0072b2', '#d55e00', '#009e73', '#8c00ff', '#e69f00', '#56b4e9', '#cc79a7'];

function address() {
  const params = new URLSearchParams(location.hash.slice(1));
  const room = params.get('room') ?? '';
  const origin = `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/nats`;
  return { room, server: params.get('nats') || origin };
}

function identity() {
  // A board new to the room each time the page opens: its change numbers start again at 1.
  const words = crypto.getRandomValues(new Uint32Array(3));
  return { high: words[0], low: words[1] || 1, tag: 1 + (words[2] % ((1 << 20) - 1)) };
}

async function start() {
  const line = document.getElementById('line');
  const { room, server } = address();
  if (!/^[A-Za-z0-9_-]+$/.test(room)) {
    line.textContent = 'The address names no room: add #room=NAME (letters, digits, - and _).';
    return;
  }
  const core = await createInkboardCore({ locateFile: (file) => new URL(file, import.meta.url).href });
  const id = identity();
  const board = new core.Board(room, id.high, id.low, id.tag);
  const canvas = document.getElementById('board');
  const renderer = new Renderer(canvas);
  let tool = 'draw';
  let due = true;
  let pumped = false; // the drawing changed in a pump between frames
  const wake = () => { due = true; };

  const fit = () => {
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.round(canvas.clientWidth * ratio);
    canvas.height = Math.round(canvas.clientHeight * ratio);
    board.setViewport(canvas.width, canvas.height);
    renderer.resize(board.view());
    due = true;
  };
  new ResizeObserver(fit).observe(canvas);
  fit();
  let transport = null;
  // Input goes to the room at once, not at the next frame: other boards see ink sooner.
  listen(canvas, board, () => tool, () => {
    due = true;
    if (board.pump()) pumped = true;
    transport?.run();
  });
  transport = new Room(board, server, wake);
  menu(board, (t) => { tool = t; }, wake);

  // For tests and tools. frames(true) starts timing each frame to its end on the graphics
  // card and returns the durations so far (ms), frames(false) stops.
  const timed = { on: false, list: [] };
  window.inkboard = {
    pageText: (n) => board.pageText(n),
    status: () => board.status(),
    page: () => board.page(),
    shownStrokes: () => board.strokeCount(),
    view: () => board.view(),
    frames: (on) => { timed.on = on; const list = timed.list; timed.list = []; return list; },
  };

  let scene = -1;
  let noticeUntil = 0;
  const frame = (now) => {
    const began = performance.now();
    const changed = board.pump() || pumped;
    pumped = false;
    transport.run();
    if (board.sceneVersion() !== scene) {
      scene = board.sceneVersion();
      renderer.update(board.finishedChanges());
    }
    const live = board.live();
    if (due || changed || live.length) {
      renderer.draw(live);
      if (timed.on) { renderer.gl.finish(); timed.list.push(performance.now() - began); }
    }
    due = false;
    mark(board.status());
    const notice = board.takeNotice();
    if (notice) { line.textContent = notice.trim().split('\n').pop(); noticeUntil = now + 6000; }
    if (now > noticeUntil) line.textContent = '';
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
}

function mark(s) {
  const m = document.getElementById('mark');
  const state = s.connected ? (s.caughtUp ? 'connected' : 'catching-up') : 'offline';
  if (m.dataset.state !== state) m.dataset.state = state;
  const text = s.waiting > 0 ? String(s.waiting) : '';
  if (m.textContent !== text) m.textContent = text;
  m.title = { connected: 'Connected', 'catching-up': 'Catching up', offline: 'Offline' }[state] +
    (s.waiting ? `; ${s.waiting} changes waiting` : '');
}

function menu(board, setTool, wake) {
  const pick = (t) => {
    setTool(t);
    document.getElementById('draw').classList.toggle('on', t === 'draw');
    document.getElementById('erase').classList.toggle('on', t === 'erase');
  };
  document.getElementById('draw').onclick = () => pick('draw');
  document.getElementById('erase').onclick = () => pick('erase');
  document.getElementById('undo').onclick = () => { board.undo(); wake(); };
  document.getElementById('redo').onclick = () => { board.redo(); wake(); };
  const page = document.getElementById('page');
  const flip = (d) => {
    board.showPage(Math.max(0, board.page() + d));
    page.textContent = String(board.page() + 1);
    wake();
  };
  document.getElementById('previous').onclick = () => flip(-1);
  document.getElementById('next').onclick = () => flip(1);
  const colour = document.getElementById('colour');
  const swatches = document.getElementById('swatches');
  PALETTE.forEach((c, i) => {
    const b = document.createElement('button');
    b.style.background = c;
    b.setAttribute('aria-label', `colour ${i + 1}`);
    b.onclick = () => {
      board.setColour(i);
      colour.style.background = c;
      swatches.hidden = true;
      pick('draw');
    };
    swatches.append(b);
  });
  colour.onclick = () => { swatches.hidden = !swatches.hidden; };
  document.addEventListener('keydown', (e) => {
    if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'z') {
      if (e.shiftKey) board.redo(); else board.undo();
      wake();
    } else if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'y') {
      board.redo();
      wake();
    }
  });
  pick('draw');
}

start().catch((err) => {
  document.getElementById('line').textContent = `The board could not start: ${err.message}`;
  throw err;
});
