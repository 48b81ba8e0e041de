// Prints our per-sample CPU times next to the peer's and their ratio (ours / peer; below 1
// is faster). Each figure is the best of its repetitions, which is the least disturbed by
// other work on the machine. Usage: node compare.mjs <bench_geometry JSON> <peer JSON>
import { readFileSync } from 'node:fs';

const [oursFile, peerFile] = process.argv.slice(2);
const ours = JSON.parse(readFileSync(oursFile, 'utf8'));
const peer = JSON.parse(readFileSync(peerFile, 'utf8'));

const best = new Map();
for (const b of ours.benchmarks) {
  if (b.run_type !== 'iteration') continue;
  const name = b.run_name ?? b.name;
  const entry = best.get(name) ?? { perSample: Infinity, perPoint: Infinity, time: Infinity };
  // Counters are rates inverted: seconds per unit.
  if (b.per_sample !== undefined) entry.perSample = Math.min(entry.perSample, b.per_sample * 1e9);
  if (b.per_point !== undefined) entry.perPoint = Math.min(entry.perPoint, b.per_point * 1e9);
  entry.time = Math.min(entry.time, b.cpu_time);
  entry.unit = b.time_unit;
  best.set(name, entry);
}

const peerNs = peer.ns_per_sample_min;
console.log(`peer: ${peer.peer} ${peer.version}, ${peer.samples} samples in ${peer.strokes} ` +
            `strokes: ${peerNs.toFixed(1)} ns CPU per input sample ` +
            `(wall ${peer.wall_ns_per_sample_min.toFixed(1)})`);
console.log('benchmark (CPU time)                     ns/sample  ns/point  ratio to peer');
for (const [name, e] of best) {
  if (!Number.isFinite(e.perSample)) {
    const perPoint = Number.isFinite(e.perPoint) ? `${e.perPoint.toFixed(1).padStart(19)}` : '';
    console.log(`${name.padEnd(40)}${perPoint}  (${e.time.toFixed(0)} ${e.unit} CPU per run)`);
    continue;
  }
  console.log(`${name.padEnd(40)} ${e.perSample.toFixed(1).padStart(9)} ` +
              `${e.perPoint.toFixed(1).padStart(9)}  ${(e.perSample / peerNs).toFixed(2)}`);
}
