// Times perfect-freehand's getStroke on the recorded strokes, placed on the 900 x 900 page
// with y up exactly as the C++ benchmarks place them, and prints one JSON object:
// nanoseconds per input sample and the number of outline points produced. Times are the
// process's CPU time (as the C++ side reports CPU time), so other work on the machine
// disturbs both sides alike; wall-clock figures are printed too.
// Usage: node perfect-freehand-bench.mjs <folder holding node_modules> <testdata/strokes>
import { createRequire } from 'node:module';
import { readFileSync, readdirSync } from 'node:fs';
import { join, resolve } from 'node:path';

const [peerDir, strokeDir] = process.argv.slice(2);
const require = createRequire(resolve(peerDir, 'package.json'));
const { getStroke } = require('perfect-freehand');

function placed(samples, page = 900, margin = 50) {
  const xs = samples.map((s) => s[0]);
  const ys = samples.map((s) => -s[1]);
  const minX = Math.min(...xs), maxX = Math.max(...xs);
  const minY = Math.min(...ys), maxY = Math.max(...ys);
  const room = page - 2 * margin;
  const extent = Math.max(maxX - minX, maxY - minY);
  const scale = extent > room ? room / extent : 1;
  const cx = (minX + maxX) / 2, cy = (minY + maxY) / 2;
  return samples.map((s) => [
    Math.fround((Math.fround(s[0]) - cx) * scale + page / 2),
    Math.fround((-Math.fround(s[1]) - cy) * scale + page / 2),
    s.length > 2 ? s[2] : 0.5,
  ]);
}

const strokes = [];
for (const file of readdirSync(strokeDir).filter((f) => f.endsWith('.json')).sort()) {
  for (const s of JSON.parse(readFileSync(join(strokeDir, file), 'utf8')).strokes) {
    strokes.push(placed(s));
  }
}
const samples = strokes.reduce((n, s) => n + s.length, 0);
// Options close to our brush: diameter 10 (radius 5), real pressure, a finished stroke.
const options = { size: 10, thinning: 0.5, smoothing: 0.5, streamline: 0.5,
                  simulatePressure: false, last: true };

let outlinePoints = 0;
const runOnce = () => {
  outlinePoints = 0;
  for (const s of strokes) outlinePoints += getStroke(s, options).length;
};
for (let i = 0; i < 200; ++i) runOnce();  // warm up the JIT

const results = [];
const wall = [];
for (let rep = 0; rep < 5; ++rep) {
  let iterations = 0;
  const start = process.hrtime.bigint();
  const cpuStart = process.cpuUsage();
  let elapsed = 0n;
  while (elapsed < 300_000_000n) {
    runOnce();
    ++iterations;
    elapsed = process.hrtime.bigint() - start;
  }
  const cpu = process.cpuUsage(cpuStart);
  results.push(((cpu.user + cpu.system) * 1000) / iterations / samples);
  wall.push(Number(elapsed) / iterations / samples);
}
wall.sort((a, b) => a - b);
results.sort((a, b) => a - b);
console.log(JSON.stringify({
  peer: 'perfect-freehand getStroke',
  version: JSON.parse(readFileSync(join(peerDir, 'node_modules/perfect-freehand/package.json'), 'utf8')).version,
  strokes: strokes.length,
  samples,
  outline_points: outlinePoints,
  ns_per_sample_median: results[Math.floor(results.length / 2)],
  ns_per_sample_min: results[0],
  wall_ns_per_sample_min: wall[0],
}));
