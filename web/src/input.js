// Pointer Events to the board: every pointer (the mouse, each pen, each finger) draws its
// own stroke; every sample the browser coalesced into an event is taken, with the pen's
// pressure; a pointer the browser cancels keeps what it drew. Coordinates go to the module
// in device pixels from the canvas's top left, times as the events' own.
const KIND = { mouse: 0, pen: 1, touch: 2 };
const ERASER_BUTTON = 5; // a pen's eraser end

export function listen(canvas, board, tool, changed) {
  const place = (e) => {
    const r = canvas.getBoundingClientRect();
    const scale = canvas.width / r.width;
    return [(e.clientX - r.left) * scale, (e.clientY - r.top) * scale];
  };
  // Only a pen tells its pressure; a mouse button or a finger presses fully.
  const pressure = (e) => (e.pointerType === 'pen' ? Math.max(e.pressure, 0.05) : 1);
  const down = new Set();

  canvas.addEventListener('pointerdown', (e) => {
    if (e.pointerType === 'mouse' && e.button !== 0 && e.button !== 2) return;
    canvas.setPointerCapture(e.pointerId);
    down.add(e.pointerId);
    const erase = tool() === 'erase' || e.button === 2 || e.button === ERASER_BUTTON || (e.buttons & 32) !== 0;
    const [x, y] = place(e);
    board.press(e.pointerId, KIND[e.pointerType] ?? 0, erase, x, y, pressure(e), e.timeStamp);
    changed();
  });
  canvas.addEventListener('pointermove', (e) => {
    if (e.pointerType === 'pen') board.penSeen(true, e.timeStamp);
    if (!down.has(e.pointerId)) return;
    const samples = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
    for (const s of samples.length ? samples : [e]) {
      const [x, y] = place(s);
      board.move(e.pointerId, x, y, pressure(s));
    }
    changed();
  });
  const up = (e) => {
    if (!down.delete(e.pointerId)) return;
    const [x, y] = place(e);
    board.release(e.pointerId, x, y);
    changed();
  };
  canvas.addEventListener('pointerup', up);
  canvas.addEventListener('pointercancel', up);
  canvas.addEventListener('pointerleave', (e) => {
    if (e.pointerType === 'pen') board.penSeen(false, e.timeStamp);
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
}
