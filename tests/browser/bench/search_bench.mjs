// Benchmark: a query over 65,535 records in headless Chromium. Reports the
// search and first-page render inside the results page against two
// baselines measured in the same page load (a bare loop over the array and a
// naive lower-case substring scan), and the time from pressing Search on the
// home page to the rendered results (which includes loading the data).
// With DUVRA_BASELINE_DATA set to a folder holding another form.dat and
// search.dat (an earlier search), that search is timed in the same run on the
// same records, as a third baseline.
//   node bench/search_bench.mjs [path/to/duvra-cli] [runs]
import fs from 'node:fs';
import path from 'node:path';
import { launch } from '../lib/browser.mjs';
import { serve } from '../lib/server.mjs';
import { makeSite } from '../lib/site.mjs';
import { synthetic, vocab } from './records.mjs';

const cli = path.resolve(process.argv[2] ?? '../../build/src/cli/duvra-cli');
const RUNS = Number(process.argv[3] ?? 7);
const RECORDS = 65535;

const records = synthetic(RECORDS);
// A typical query (two words, one of them begun), a single common word and
// a word that no record holds.
const QUERIES = [
  ['typical', `${vocab[300]} ${vocab[120].slice(0, 4)}`],
  ['common word', vocab[3]],
  ['no match', 'zzqx'],
];

const { root, site } = makeSite(cli, records, { bold: 1, number: 1 });
let baseline = null;
if (process.env.DUVRA_BASELINE_DATA) {
  const own = process.env.DUVRA_DATA_DIR;
  process.env.DUVRA_DATA_DIR = process.env.DUVRA_BASELINE_DATA;
  try {
    baseline = makeSite(cli, records, { bold: 1, number: 1 });
  } finally {
    if (own === undefined) delete process.env.DUVRA_DATA_DIR;
    else process.env.DUVRA_DATA_DIR = own;
  }
}
const BENCH_PAGE = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>bench</title></head><body>
<script src="duv_data.js"></script>
<script>
var bench = {};
var t0 = performance.now();
bench.n = 0;
for (var i = 0; i < s.length; i++) bench.n += s[i].length;
bench.loop = performance.now() - t0;
bench.q = new URLSearchParams(location.search).get("q").split(" ")[0].toLowerCase();
t0 = performance.now();
bench.m = 0;
for (var i = 0; i < s.length; i++) if (s[i].toLowerCase().indexOf(bench.q) >= 0) bench.m++;
bench.scan = performance.now() - t0;
</script>
<script>bench.t0 = performance.now();
// The search may finish after its script ran (it waits for the excluded
// words): it is timed to the moment its results are in the page.
new MutationObserver(function (changes, observer) {
  if (document.querySelector('.duv-count')) {
    bench.search = performance.now() - bench.t0;
    observer.disconnect();
  }
}).observe(document.documentElement, { childList: true, subtree: true });
</script>
<script src="duv_search.js"></script>
</body></html>
`;
fs.writeFileSync(path.join(site, 'bench.html'), BENCH_PAGE);
if (baseline) fs.writeFileSync(path.join(baseline.site, 'bench.html'), BENCH_PAGE);

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const f = (x) => x.toFixed(1);
const server = await serve(site);
const baselineServer = baseline ? await serve(baseline.site) : null;
const browser = await launch();
try {
  const page = await browser.context.newPage();
  const size = fs.statSync(path.join(site, 'duv_data.js')).size / 1e6;
  console.log(`${RECORDS} records, duv_data.js ${size.toFixed(1)} MB; medians of ${RUNS} runs`);
  for (const [name, query] of QUERIES) {
    const m = { search: [], loop: [], scan: [], submit: [], earlier: [] };
    let shown = '';
    for (let run = 0; run < RUNS; run++) {
      await page.goto(`${server.url}bench.html?q=${encodeURIComponent(query)}`);
      await page.waitForSelector('.duv-count');
      const b = await page.evaluate(() => bench);
      m.search.push(b.search);
      m.loop.push(b.loop);
      m.scan.push(b.scan);
      shown = await page.textContent('.duv-count');

      if (baselineServer) {
        await page.goto(`${baselineServer.url}bench.html?q=${encodeURIComponent(query)}`);
        await page.waitForSelector('.duv-count');
        m.earlier.push(await page.evaluate(() => bench.search));
      }

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
    if (m.earlier.length) {
      const earlier = median(m.earlier);
      console.log(`  baseline earlier search: ${f(earlier)} ms  (ratio ${(search / earlier).toFixed(2)})`);
    }
    console.log(`  submit to rendered, data loading included: ${median(m.submit)} ms`);
  }
} finally {
  await browser.close();
  await server.close();
  if (baselineServer) await baselineServer.close();
  if (process.env.DUVRA_BENCH_KEEP) console.log(`site kept in ${site}`);
  else {
    fs.rmSync(root, { recursive: true, force: true });
    if (baseline) fs.rmSync(baseline.root, { recursive: true, force: true });
  }
}
