// The browser board's line to its room: NATS over the server's WebSocket listener. Thin on
// purpose: the board's module (QueuedRoomLink) decides what to send, when and with which
// subjects, message ids and conditions, and what the server's answers mean; this only
// carries messages and says what the server answered.
import { wsconnect } from '@nats-io/nats-core';
import { jetstream, jetstreamManager, JetStreamApiError } from '@nats-io/jetstream';

// As the desktop board: a change sent again within it is stored once by the server.
const DUPLICATE_WINDOW_NS = 10 * 60 * 1e9;
const PUBLISH_WAIT_MS = 2000;
const RETRY_PAUSE_MS = 200;
// Without a connection this long the board counts as offline (it keeps trying).
const OFFLINE_AFTER_MS = 3000;
const WRONG_LAST_SEQUENCE = 10071;
const STREAM_NOT_FOUND = 10059;
const REPLICAS_NOT_SUPPORTED = 10074;
// Task kinds, as QueuedRoomLink::Task::Kind numbers them.
const FETCH_SNAPSHOT = 0, FETCH_PARTS = 1, CHECK_RECORD = 2, SUBSCRIBE = 3, PUBLISH = 4,
  PUBLISH_SNAPSHOT = 5, PUBLISH_INK = 6;
// publishFailed() reasons.
const AGAIN = 0, NOT_EMPTY = 1, TOO_LARGE = 2;

export class Room {
  // `board` is the module's Board; `url` the server's WebSocket address; `wake()` asks the
  // page for a pump soon.
  constructor(board, url, wake) {
    this.board = board;
    this.url = url;
    this.wake = wake;
    this.nc = null;
    this.js = null;
    this.jsm = null;
    this.consumers = new Map(); // page -> { generation, stop }
    this.connection = 0; // counts connections: work of an old one is passed over
    this.lostAt = performance.now();
    this.offline = false;
    this.start();
  }

  async start() {
    for (let attempt = 0; ; attempt++) {
      try {
        this.nc = await wsconnect({
          servers: this.url,
          name: 'inkboard-web',
          noEcho: true,
          reconnect: true,
          maxReconnectAttempts: -1,
          reconnectTimeWait: 500,
          pingInterval: 2000,
          maxPingOut: 2,
          timeout: PUBLISH_WAIT_MS,
        });
        break;
      } catch (err) {
        this.noteLost();
        await pause(Math.min(2000, 50 << Math.min(attempt, 6)));
      }
    }
    this.watchStatus();
    await this.setUp();
  }

  noteLost() {
    if (!this.offline && performance.now() - this.lostAt >= OFFLINE_AFTER_MS) {
      this.offline = true;
      this.board.disconnected(true);
      this.wake();
    }
  }

  async watchStatus() {
    const nc = this.nc;
    const offlineTimer = setInterval(() => { if (!this.live) this.noteLost(); }, 500);
    for await (const s of nc.status()) {
      if (s.type === 'disconnect') {
        this.live = false;
        this.connection++;
        this.lostAt = performance.now();
        this.offline = false;
        this.stopConsumers();
        this.board.disconnected(false);
        this.wake();
      } else if (s.type === 'reconnect') {
        await this.setUp();
      }
    }
    clearInterval(offlineTimer);
  }

  async setUp() {
    const connection = ++this.connection;
    for (;;) {
      try {
        this.js = jetstream(this.nc, { timeout: PUBLISH_WAIT_MS, checkAPI: false });
        // No account-wide look-ups: a class's rights cover its room's streams only.
        this.jsm = await jetstreamManager(this.nc, { timeout: PUBLISH_WAIT_MS, checkAPI: false });
        await this.ensureStream(this.board.recordStream(), this.board.subjects('rec'), -1);
        await this.ensureStream(this.board.snapshotStream(), this.board.subjects('snap'), 1);
        // Kept across reconnects by the client itself.
        this.inkSub ??= this.nc.subscribe(this.board.subjects('ink'), {
          callback: (err, m) => { if (!err) { this.board.ink(m.subject, m.data); this.wake(); } },
        });
        break;
      } catch (err) {
        if (connection !== this.connection) return;
        await pause(RETRY_PAUSE_MS);
      }
    }
    if (connection !== this.connection) return;
    this.live = true;
    this.offline = false;
    this.board.connected(this.nc.info?.max_payload ?? 1 << 20);
    this.wake();
  }

  async ensureStream(name, subject, perSubject) {
    try {
      await this.jsm.streams.info(name);
      return;
    } catch (err) {
      if (!(err instanceof JetStreamApiError) || err.code !== STREAM_NOT_FOUND) throw err;
    }
    const config = {
      name, subjects: [subject], storage: 'file', duplicate_window: DUPLICATE_WINDOW_NS,
      max_msgs_per_subject: perSubject, num_replicas: 3,
    };
    try {
      await this.jsm.streams.add(config);
    } catch (err) {
      // A single server has no cluster: it keeps the room's only copy.
      if (err instanceof JetStreamApiError && err.code === REPLICAS_NOT_SUPPORTED) {
        await this.jsm.streams.add({ ...config, num_replicas: 1 });
      } else if (!(err instanceof JetStreamApiError && err.code === 10058)) {
        throw err; // 10058: made meanwhile by another board
      }
    }
  }

  stopConsumers() {
    for (const c of this.consumers.values()) c.stop();
    this.consumers.clear();
  }

  // Runs what the module asks for; called after every pump.
  run() {
    const tasks = this.board.takeTasks();
    for (let i = 0; i < tasks.length; i++) {
      const t = tasks[i];
      // The module's memory backs these bytes: copied before anything else runs.
      const task = {
        kind: t.kind, page: t.page, seq: t.seq, generation: t.generation, number: t.number,
        expectNoMessage: t.expectNoMessage, subject: t.subject, msgId: t.msgId,
        bytes: t.bytes.slice(), subjects: t.subjects,
        messages: t.messages.map((m) => ({ subject: m.subject, bytes: m.bytes.slice() })),
      };
      this.perform(task, this.connection);
    }
  }

  async perform(t, connection) {
    const current = () => connection === this.connection;
    try {
      switch (t.kind) {
        case PUBLISH_INK:
          if (this.live) this.nc.publish(t.subject, t.bytes);
          return;
        case FETCH_SNAPSHOT: {
          const bytes = await this.last(this.board.snapshotStream(), t.subject);
          if (current()) this.board.snapshotFetched(t.page, bytes);
          break;
        }
        case FETCH_PARTS: {
          const parts = [];
          for (const s of t.subjects) parts.push(await this.last(this.board.snapshotStream(), s));
          if (current()) this.board.partsFetched(t.page, parts);
          break;
        }
        case CHECK_RECORD: {
          let present = true;
          try {
            await this.jsm.streams.getMessage(this.board.recordStream(), { seq: t.seq });
          } catch (err) {
            if (!(err instanceof JetStreamApiError)) throw err;
            present = false;
          }
          if (current()) this.board.recordChecked(t.page, present);
          break;
        }
        case SUBSCRIBE:
          await this.follow(t, connection);
          break;
        case PUBLISH:
          await this.publish(t, connection);
          break;
        case PUBLISH_SNAPSHOT:
          for (const m of t.messages) await this.js.publish(m.subject, m.bytes, { timeout: PUBLISH_WAIT_MS });
          return;
      }
    } catch (err) {
      if (!current()) return;
      // Asked again after a pause: the module hands the step out once more.
      await pause(RETRY_PAUSE_MS);
      if (!current()) return;
      if (t.kind === PUBLISH) this.board.publishFailed(t.number, AGAIN);
      else if (t.kind !== PUBLISH_SNAPSHOT) this.board.retry(t.page);
    }
    this.wake();
  }

  async publish(t, connection) {
    try {
      const ack = await this.js.publish(t.subject, t.bytes, {
        msgID: t.msgId,
        expect: t.expectNoMessage ? { streamName: this.board.recordStream(), lastSubjectSequence: 0 }
                                  : { streamName: this.board.recordStream() },
        timeout: PUBLISH_WAIT_MS,
      });
      if (connection === this.connection) this.board.published(t.number, ack.seq);
    } catch (err) {
      if (connection !== this.connection) return;
      if (err instanceof JetStreamApiError && err.code === WRONG_LAST_SEQUENCE && t.expectNoMessage) {
        this.board.publishFailed(t.number, NOT_EMPTY);
      } else if (t.bytes.length > (this.nc.info?.max_payload ?? Infinity)) {
        this.board.publishFailed(t.number, TOO_LARGE);
      } else {
        throw err;
      }
    }
  }

  // The latest message on `subject`, or null when it holds none: a consumer of the last
  // message, as the desktop board reads it (no direct get).
  async last(stream, subject) {
    const consumer = await this.js.consumers.get(stream, { filter_subjects: subject, deliver_policy: 'last' });
    try {
      const info = await consumer.info(true);
      if (info.num_pending + info.delivered.consumer_seq === 0) return null;
      const m = await consumer.next({ expires: PUBLISH_WAIT_MS });
      if (m === null) throw new Error('no answer');
      return m.data.slice();
    } finally {
      consumer.delete().catch(() => {});
    }
  }

  async follow(t, connection) {
    this.consumers.get(t.page)?.stop();
    const consumer = await this.js.consumers.get(this.board.recordStream(), {
      filter_subjects: t.subject, opt_start_seq: t.seq,
    });
    const info = await consumer.info(true);
    if (connection !== this.connection) { consumer.delete().catch(() => {}); return; }
    const messages = await consumer.consume();
    const entry = { generation: t.generation, stop: () => { messages.stop(); consumer.delete().catch(() => {}); } };
    this.consumers.set(t.page, entry);
    this.board.subscribed(t.page, t.generation, info.num_pending);
    this.wake();
    (async () => {
      for await (const m of messages) {
        if (connection !== this.connection) break;
        this.board.record(t.page, t.generation, m.seq, m.data, m.info.pending);
        this.wake();
      }
    })().catch(() => {});
  }
}

function pause(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}
