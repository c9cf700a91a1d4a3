// Benchmark: a query over 65,535 records in headless Chromium. Reports the
// search and first-page render inside the results page against two
// baselines measured in the same page load (a bare loop over the array and a
// naive lower-case substring scan), and the time from pressing Search on the
// home page to the rendered results (which includes loading the data).
//   node bench/search_bench.mjs [path/to/duvra-cli] [runs]
import fs from 'node:fs';
import path from 'node:path';
import { launch } from '../lib/browser.mjs';
import { serve } from '../lib/server.mjs';
import { makeSite } from '../lib/site.mjs';

const cli = process.argv[2] ?? path.resolve('../../build/src/cli/duvra-cli');
const RUNS = Number(process.argv[3] ?? 7);
const RECORDS = 65535;

// Deterministic pseudo-random text: 20,000 made-up words drawn by Zipf's
// law, as words of real text are; a tenth of the records carry accents and
// character references.
let seed = 12345;
const rand = (n) => {  // mulberry32
  let t = (seed = (seed + 0x6d2b79f5) | 0);
  t = Math.imul(t ^ (t >>> 15), t | 1);
  t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
  return (((t ^ (t >>> 14)) >>> 0) % n);
};
const syll = ['ka', 'lo', 'mi', 'ne', 'ro', 'ta', 'vi', 'su', 'pe', 'da', 'gu', 'fo', 'ri', 'ze',
  'bra', 'sto', 'quen', 'mar', 'tel', 'dor', 'pli', 'sa', 'che', 'won', 'ix', 'um', 'ar', 'el'];
const vocab = [];
const known = new Set();
while (vocab.length < 20000) {
  const w = Array.from({ length: 2 + rand(3) }, () => syll[rand(syll.length)]).join('');
  if (!known.has(w)) {
    known.add(w);
    vocab.push(w);
  }
}
const cumulative = [];
let total = 0;
for (let r = 1; r <= vocab.length; r++) cumulative.push((total += 1 / r));
const zipf = () => {
  const x = (rand(1 << 30) / (1 << 30)) * total;
  let lo = 0, hi = cumulative.length - 1;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (cumulative[mid] < x) lo = mid + 1; else hi = mid;
  }
  return vocab[lo];
};
const words = (n) => Array.from({ length: n }, zipf).join(' ');
const records = Array.from({ length: RECORDS }, (_, i) => {
  const fancy = i % 10 === 0 ? ' caf&eacute; d\u00e9j\u00e0 &#8212; ' : ' ';
  const title = words(5);
  return {
    title: title[0].toUpperCase() + title.slice(1),
    url: `/pages/${i}.html`,
    text: words(12) + fancy + words(12),
    keywords: words(6),
    newWindow: i % 7 === 0 ? '1' : '0',
  };
});
// A typical query (two words, one of them begun), a single common word and
// a word that no record holds.
const QUERIES = [
  ['typical', `${vocab[300]} ${vocab[120].slice(0, 4)}`],
  ['common word', vocab[3]],
  ['no match', 'zzqx'],
];

const { root, site } = makeSite(cli, records, { bold: 1, number: 1 });
fs.writeFileSync(path.join(site, 'bench.html'), `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>bench</title></head><body>
<script src="duv_data.js"></script>
<script>var bench = {}; bench.t0 = performance.now();</script>
<script src="duv_search.js"></script>
<script>
bench.search = performance.now() - bench.t0;
bench.t0 = performance.now();
bench.n = 0;
for (var i = 0; i < s.length; i++) bench.n += s[i].length;
bench.loop = performance.now() - bench.t0;
bench.q = new URLSearchParams(location.search).get("q").split(" ")[0].toLowerCase();
bench.t0 = performance.now();
bench.m = 0;
for (var i = 0; i < s.length; i++) if (s[i].toLowerCase().indexOf(bench.q) >= 0) bench.m++;
bench.scan = performance.now() - bench.t0;
</script></body></html>
`);

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const f = (x) => x.toFixed(1);
const server = await serve(site);
const browser = await launch();
try {
  const page = await browser.context.newPage();
  const size = fs.statSync(path.join(site, 'duv_data.js')).size / 1e6;
  console.log(`${RECORDS} records, duv_data.js ${size.toFixed(1)} MB; medians of ${RUNS} runs`);
  for (const [name, query] of QUERIES) {
    const m = { search: [], loop: [], scan: [], submit: [] };
    let shown = '';
    for (let run = 0; run < RUNS; run++) {
      await page.goto(`${server.url}bench.html?q=${encodeURIComponent(query)}`);
      const b = await page.evaluate(() => bench);
      m.search.push(b.search);
      m.loop.push(b.loop);
      m.scan.push(b.scan);
      shown = await page.textContent('.duv-count');

      await page.goto(`${server.url}index.html`);
      await page.fill('input[type=search]', query);
      const t0 = Date.now();
      await Promise.all([page.waitForURL(/results\.html/), page.click('button[type=submit]')]);
      await page.waitForSelector('.duv-count');
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
      m.submit.push(Date.now() - t0);
    }
    const search = median(m.search), loop = median(m.loop), scan = median(m.scan);
    console.log(`\n${name}: "${query}" -> ${shown}`);
    console.log(`  search + first page:    ${f(search)} ms`);
    console.log(`  baseline bare loop:     ${f(loop)} ms  (ratio ${f(search / loop)})`);
    console.log(`  baseline lower-case scan: ${f(scan)} ms  (ratio ${f(search / scan)})`);
    console.log(`  submit to rendered, data loading included: ${median(m.submit)} ms`);
  }
} finally {
  await browser.close();
  await server.close();
  if (process.env.DUVRA_BENCH_KEEP) console.log(`site kept in ${site}`);
  else fs.rmSync(root, { recursive: true, force: true });
}
