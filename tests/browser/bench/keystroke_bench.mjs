// Benchmark: search as you type. A query is typed into the results page's
// box one key at a time; for each keystroke the page's own work (search and
// render, from the address update to the end of that task) is timed, against
// a bare loop over the data array `s` measured in the same page. Two record
// sets: 535 pages crawled by duvra-cli from Debian's PostgreSQL manual (when
// it is installed) and 65,535 synthetic records.
//   node bench/keystroke_bench.mjs [path/to/duvra-cli] [runs]
import { execFile } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';
import { launch } from '../lib/browser.mjs';
import { serve } from '../lib/server.mjs';
import { makeSite, tempDir } from '../lib/site.mjs';
import { synthetic, vocab } from './records.mjs';

const cli = path.resolve(process.argv[2] ?? '../../build/src/cli/duvra-cli');
const RUNS = Number(process.argv[3] ?? 5);
const DOCS = '/usr/share/doc/postgresql-doc-15/html';
const CRAWLED = 535;

// Times each keystroke's work: the search calls replaceState, then searches
// and renders in the same task; a microtask ends the timing after it.
const HOOK = `<script>
var bench = { times: [], loop: [] };
(function () {
  var replace = history.replaceState;
  history.replaceState = function () {
    var t0 = performance.now();
    replace.apply(history, arguments);
    Promise.resolve().then(function () { bench.times.push(performance.now() - t0); });
  };
})();
</script>`;

const LOOP = `bench.loop.push((function () {
  var t0 = performance.now(), n = 0;
  for (var i = 0; i < s.length; i++) n += s[i].length;
  window.benchSink = n;
  return performance.now() - t0;
})())`;

// Record lines of the first pages duvra-cli crawls from the manual.
async function crawled() {
  if (!fs.existsSync(DOCS)) return null;
  const server = await serve(DOCS);
  const dir = tempDir('duvra-crawl-');
  try {
    // Run without blocking: the server answers from this process.
    const run = (...args) => promisify(execFile)(cli, args, { cwd: dir, maxBuffer: 1 << 26 });
    await run('new', 'docs');
    await run('options', 'docs', '--address', `${server.url}index.html`, '--delay', '0', '--timeout', '10');
    await run('index', 'docs');
    const lines = fs.readFileSync(path.join(dir, 'docs.dat')).toString('latin1').split('\r\n').filter(Boolean);
    return Buffer.from(lines.slice(0, CRAWLED).map((l) => l + '\r\n').join(''), 'latin1');
  } finally {
    await server.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const f = (x) => x.toFixed(2);

async function measure(browser, name, records, query) {
  const { root, site } = makeSite(cli, records, { bold: 1, number: 1 });
  // The results page itself, as the box follows typing only there.
  const results = path.join(site, 'results.html');
  fs.writeFileSync(results, fs.readFileSync(results, 'utf8')
    .replace('<script src="duv_form.js">', `${HOOK}\n<script src="duv_form.js">`));
  const server = await serve(site);
  try {
    const page = await browser.context.newPage();
    const first = [], later = [], loop = [];
    for (let run = 0; run < RUNS; run++) {
      await page.goto(`${server.url}results.html`);
      await page.waitForSelector('.duv-count');
      for (let k = 0; k < 5; k++) await page.evaluate(LOOP);
      const box = page.getByLabel('Search this site');
      // One keystroke at a time, each after the pause that lets it search.
      for (let i = 1; i <= query.length; i++) {
        await box.fill(query.slice(0, i));
        await page.waitForFunction((n) => bench.times.length >= n, i);
      }
      const b = await page.evaluate(() => bench);
      first.push(b.times[0]);
      later.push(...b.times.slice(1));
      loop.push(median(b.loop));
    }
    const base = median(loop);
    const shown = await page.textContent('.duv-count');
    console.log(`\n${name}: typing "${query}" -> ${shown}`);
    console.log(`  baseline bare loop over s:  ${f(base)} ms`);
    console.log(`  first keystroke (prepares the records): ${f(median(first))} ms  (ratio ${f(median(first) / base)})`);
    console.log(`  later keystrokes, median:   ${f(median(later))} ms  (ratio ${f(median(later) / base)})`);
    console.log(`  later keystrokes, slowest:  ${f(Math.max(...later))} ms  (ratio ${f(Math.max(...later) / base)})`);
    await page.close();
  } finally {
    await server.close();
    if (process.env.DUVRA_BENCH_KEEP) console.log(`site kept in ${site}`);
    else fs.rmSync(root, { recursive: true, force: true });
  }
}

const browser = await launch();
try {
  console.log(`medians of ${RUNS} runs; each keystroke's search and render inside the page`);
  const docs = await crawled();
  if (docs) await measure(browser, `${CRAWLED} crawled records`, docs, 'create index');
  else console.log(`\n${DOCS} is not installed: the crawled set is left out`);
  await measure(browser, '65,535 records', synthetic(65535), `${vocab[300]} ${vocab[120].slice(0, 4)}`);
} finally {
  await browser.close();
}
