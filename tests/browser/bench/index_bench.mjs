// Benchmark: the search index against the full scan on 65,535 records of
// crawled size, in Debian's Chromium, over loopback http and from file://.
// The records are drawn from the word statistics of a real crawl: duvra-cli
// crawls the PostgreSQL manual (Debian's postgresql-doc-15) served on
// 127.0.0.1, and every field's words and lengths are sampled from what it
// found. Reports, for the same records in the same run:
//   - submit on the home page to the first results rendered (cold cache);
//   - the bytes a typical two-word query loads, against duv_data.js;
//   - later queries in the same page: new ones set by a site's own script,
//     Back to those shown before (and after a reload), the next page of
//     results, and new ones typed into the box, after the pause or sent
//     with Enter (and the bytes typing loads, briskly and slowly);
//   - the generator's time and peak memory with the index against writing
//     the data script alone.
// The waits are timed in the page (see the init script below), and also as
// the harness sees them, round trips to the browser included.
//   node bench/index_bench.mjs [path/to/duvra-cli] [runs]
import { execFile, execFileSync, spawnSync } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from '../lib/browser.mjs';
import { serve, serveNginx } from '../lib/server.mjs';
import { HOME_PAGE, RESULTS_PAGE, recordLines, tempDir } from '../lib/site.mjs';
import { seededRandom } from '../lib/random.mjs';

const cli = path.resolve(process.argv[2] ?? '../../build/src/cli/duvra-cli');
const RUNS = Number(process.argv[3] ?? 3);
const RECORDS = 65535;
const DOCS = process.env.DUVRA_BENCH_DOCS ?? '/usr/share/doc/postgresql-doc-15/html';
const TYPICAL = ['create table', 'replication slot', 'foreign key', 'time zone', 'vacuum analyze'];
const LATER = ['index scan', 'backup restore', 'trigger function', 'json path', 'role privileges',
  'text search', 'lock mode', 'window function'];
const TYPED = ['partial index', 'lock timeout', 'sequence owner', 'cursor fetch'];
// Typed slowly after those: words of their own, so that their parts are not
// at hand already.
const TYPED_SLOWLY = ['savepoint release', 'column default'];
const ENTERED = ['check constraint', 'shared buffers', 'foreign table', 'tablespace location'];
const RELOADED = [['primary key', 'data type'], ['query plan', 'hot standby'], ['client encoding', 'access method']];
// A slow typist's time between keys (a phone's), in ms: each a pause, but
// shorter than the one after which the results follow.
const SLOW_KEYS = 180;
// About how long a hand holds the button down in a brisk click, in ms.
const PRESS = 100;

const root = tempDir('duvra-index-bench-');
const run = (...args) => execFileSync(cli, args, { cwd: root, encoding: 'utf8', maxBuffer: 1 << 26 });

// ---------- the crawl and its statistics ----------
const docs = await serve(DOCS);
run('new', 'crawl');
run('options', 'crawl', '--address', `${docs.url}index.html`, '--delay', '0', '--timeout', '10');
// The server runs in this process, so the crawl must not block it.
await promisify(execFile)(cli, ['index', 'crawl'], { cwd: root, maxBuffer: 1 << 26 });
await docs.close();
const crawled = fs.readFileSync(path.join(root, 'crawl.dat'), 'utf8').split('\r\n').filter(Boolean)
  .map((l) => l.split('^'));

const rand = seededRandom(99);
// A field's words with their counts, and its lengths in words, to draw from.
function statistics(field) {
  const words = [], lengths = [];
  for (const r of crawled) {
    const w = (r[field] ?? '').split(/\s+/).filter(Boolean);
    lengths.push(w.length);
    words.push(...w);
  }
  return { words, lengths };
}
const draw = (st, scale = 1) => {
  const n = Math.round(st.lengths[rand(st.lengths.length)] * scale);
  return Array.from({ length: n }, () => st.words[rand(st.words.length)]).join(' ');
};
const stats = { title: statistics(1), text: statistics(3), keywords: statistics(4) };
const crawledSize = crawled.reduce((n, r) => n + r.join('^').length, 0) / crawled.length;
// The records of a larger crawl are about 2.9 KB, mostly created keywords.
const scale = Math.max(1, 2900 / crawledSize);
const names = crawled.map((r) => r[2].replace(/^.*\//, '').replace(/\.html$/, ''));
const records = Array.from({ length: RECORDS }, (_, i) => ({
  title: draw(stats.title),
  url: `/docs/${names[rand(names.length)]}-${i}.html`,
  text: draw(stats.text),
  keywords: draw(stats.keywords, scale),
  newWindow: '0',
}));

// ---------- the sites: one database, written with and without the index ----------
const site = path.join(root, 'www');
fs.mkdirSync(site);
run('new', 'big');
fs.writeFileSync(path.join(root, 'big.dat'), recordLines(records).map((l) => l + '\r\n').join(''));
run('scripts', 'big', '--folder', site, '--location', 'results.html', '--return', '10');
// The generator, measured: the data script alone, then with the index.
const timed = (...args) => {
  const out = spawnSync('/usr/bin/time', ['-f', '%e %M', cli, ...args],
    { cwd: root, encoding: 'utf8', stdio: ['ignore', 'ignore', 'pipe'] }).stderr;
  const [seconds, kb] = out.trim().split('\n').pop().split(' ').map(Number);
  return { seconds, kb };
};
const gen = { data: [], index: [] };
for (let r = 0; r < RUNS; r++) {
  gen.data.push(timed('create', 'big', '--data-only', '--no-index'));
  gen.index.push(timed('create', 'big', '--data-only'));
}
run('create', 'big');
const dataBytes = fs.statSync(path.join(site, 'duv_data.js')).size;
fs.writeFileSync(path.join(site, 'index.html'), HOME_PAGE);
fs.writeFileSync(path.join(site, 'results.html'), RESULTS_PAGE);
fs.mkdirSync(path.join(site, 'idx'));
for (const page of ['index.html', 'results.html']) {
  const html = page === 'index.html' ? HOME_PAGE : RESULTS_PAGE.replace('<script src="duv_data.js"></script>\n', '');
  fs.writeFileSync(path.join(site, 'idx', page), html.replace(/src="duv_/g, 'src="../duv_'));
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const f1 = (x) => x.toFixed(1);
// The site is served by nginx, as a static host would, where it is installed.
const server = (await serveNginx(site)) ?? (await serve(site));
const browser = await launch();
// Times are taken in the page, on its clock made absolute: the moment Enter
// is pressed in the box (kept across the navigation to the results page),
// the moment of a click, and each moment the results box is drawn. The harness's own round trips
// to the browser (tens of ms on a busy machine) are no part of the
// visitor's wait; they are reported apart, as the harness sees them.
await browser.context.addInitScript(() => {
  const now = () => performance.timeOrigin + performance.now();
  window.duvDrawn = [];
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') sessionStorage.setItem('duvSubmit', String(now()));
  }, true);
  document.addEventListener('click', () => { window.duvClick = now(); }, true);
  new MutationObserver(() => {
    const box = document.querySelector('.duv-search');
    const count = box && !box.hasAttribute('aria-busy') && box.querySelector('.duv-count')?.textContent;
    if (count) window.duvDrawn.push([now(), count]);
  }).observe(document, { subtree: true, childList: true, characterData: true, attributes: true,
    attributeFilter: ['aria-busy'] });
});
// The first drawing after `from` whose count names the query.
const drawnAt = (page, from, query) => page.evaluate(([t, q]) =>
  window.duvDrawn.find(([at, count]) => at >= t && count.includes(q))?.[0], [from, query]);

async function rendered(page) {
  await page.waitForFunction(() => {
    const box = document.querySelector('.duv-search');
    return box && !box.hasAttribute('aria-busy') && box.querySelector('.duv-count')?.textContent;
  }, null, { timeout: 120000, polling: 5 });
}

// Submit on the home page to the first results, with an empty cache; and
// the bytes the results page loaded (over http).
async function submit(base, folder, query) {
  const page = await browser.context.newPage();
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.clearBrowserCache');
  let bytes = 0;
  page.on('response', async (r) => {
    if (!/duv_index|duv_data/.test(r.url())) return;
    try { bytes += (await r.body()).length; } catch { /* file:// bodies are not kept */ }
  });
  await page.goto(`${base}${folder}index.html`);
  await page.fill('input[type=search]', query);
  const t0 = Date.now();
  await Promise.all([page.waitForURL(/results\.html/, { timeout: 120000 }), page.press('input[type=search]', 'Enter')]);
  await rendered(page);
  const wall = Date.now() - t0;
  const ms = (await drawnAt(page, 0, query)) - Number(await page.evaluate(() => sessionStorage.getItem('duvSubmit')));
  if (!(ms > 0)) throw new Error(`"${query}": no submit or drawing seen in the page`);
  const shown = await page.textContent('.duv-count');
  const files = await page.evaluate(() => performance.getEntriesByType('resource')
    .filter((e) => /duv_index|duv_data/.test(e.name)).reduce((n, e) => n + e.decodedBodySize, 0));
  return { page, ms, wall, bytes: Math.max(bytes, files), shown };
}

// Sets a query in the page as a site's own script would: its address
// pushed and announced. Returns the moment of the announcement.
const setQuery = (page, query) => page.evaluate((q) => {
  const u = new URL(location.href);
  u.searchParams.set('q', q);
  u.searchParams.delete('page');
  history.pushState(null, '', u.href);
  const at = performance.timeOrigin + performance.now();
  window.dispatchEvent(new PopStateEvent('popstate'));
  return at;
}, query);

// The query set, and its results drawn with a link to the next page.
async function shownWithNext(page, query) {
  await setQuery(page, query);
  await page.waitForFunction((q) => document.querySelector('.duv-search:not([aria-busy]) .duv-count')
    ?.textContent.includes(q) && document.querySelector('a.duv-page[rel=next]'), query, { timeout: 120000 });
}

// Later queries in the same page, each new to it, as a site's own script
// sets them.
async function later(page, queries) {
  const times = [], walls = [];
  for (const q of queries) {
    const t0 = Date.now();
    const from = await setQuery(page, q);
    await rendered(page);
    walls.push(Date.now() - t0);
    await page.waitForFunction(([t, query]) => window.duvDrawn.some(([at, c]) => at >= t && c.includes(query)),
      [from, q], { timeout: 120000 });
    times.push((await drawnAt(page, from, q)) - from);
  }
  return { times, walls };
}

// Back through those queries: each shown before in this page, so the
// parts it needs are at hand.
async function back(page, queries) {
  const times = [];
  for (let k = queries.length - 2; k >= 0; k--) {
    const from = await page.evaluate(() => {
      const at = performance.timeOrigin + performance.now();
      history.back();
      return at;
    });
    await page.waitForFunction(([t, query]) => window.duvDrawn.some(([at, c]) => at >= t && c.includes(query)),
      [from, queries[k]], { timeout: 120000 });
    times.push((await drawnAt(page, from, queries[k])) - from);
  }
  return times;
}

// The next page of queries' results, from the click on its link (the
// release of the button). The query is shown again first (its parts at
// hand, as after a search). The link is clicked by a script, with no press
// before it, or pressed with the mouse for `press` ms, as a hand does.
async function nextPage(page, queries, press = 0) {
  const times = [];
  for (const q of queries) {
    await shownWithNext(page, q);
    if (press) {
      const link = page.locator('a.duv-page[rel=next]');
      await link.scrollIntoViewIfNeeded();
      const at = await link.boundingBox();
      await page.mouse.move(at.x + at.width / 2, at.y + at.height / 2);
      await page.mouse.down();
      await page.waitForTimeout(press);
      await page.mouse.up();
    } else {
      await page.evaluate(() => document.querySelector('a.duv-page[rel=next]').click());
    }
    const from = await page.evaluate(() => window.duvClick);
    await page.waitForFunction(([t, query]) => window.duvDrawn.some(([at, c]) => at >= t && c.includes(query)),
      [from, q], { timeout: 120000 });
    if (!/page=2/.test(page.url())) throw new Error(`"${q}": the next page did not follow`);
    times.push((await drawnAt(page, from, q)) - from);
  }
  return times;
}

// Later queries typed into the results page's box, a key every `delay` ms: the
// time from the end of the pause after the last key (when the results
// follow the box) to the results rendered, and the index's bytes loaded
// while typing (over http).
async function typed(page, queries, delay = 60) {
  await page.evaluate(() => document.addEventListener('input', () => { window.lastKey = performance.now(); }));
  const pause = 250, times = [], bytes = [];
  const box = page.locator('input.duv-input').first();
  for (const q of queries) {
    await box.fill('');
    await page.waitForTimeout(pause * 2);
    await page.evaluate(() => performance.clearResourceTimings());
    await box.pressSequentially(q, { delay });
    const lastKey = await page.waitForFunction((query) => {
      const last = performance.timeOrigin + window.lastKey;
      return window.duvDrawn.some(([at, c]) => at >= last && c.includes(query)) && last;
    }, q, { timeout: 120000, polling: 5 });
    const last = await lastKey.jsonValue();
    times.push(Math.max(0, (await drawnAt(page, last, q)) - last - pause));
    bytes.push(await page.evaluate(() => performance.getEntriesByType('resource')
      .filter((e) => /duv_index/.test(e.name)).reduce((n, e) => n + e.decodedBodySize, 0)));
  }
  return { times, bytes };
}

// Back after a reload, as a visitor does it: a query shown, its next page
// followed by its link, other words sent from the box there (the entry
// follows the box), the page reloaded, and a moment later Back to the
// first query: from Back to its results rendered.
async function reloaded(page, pairs) {
  const times = [];
  const box = page.locator('input.duv-input').first();
  for (const [first, then] of pairs) {
    await shownWithNext(page, first);
    await page.evaluate(() => document.querySelector('a.duv-page[rel=next]').click());
    await page.waitForURL(/page=2/);
    await box.fill(then);
    await box.press('Enter');
    await page.waitForFunction((query) => window.duvDrawn.some(([, c]) => c.includes(query)), then,
      { timeout: 120000 });
    await page.reload();
    await page.waitForFunction((query) => window.duvDrawn.some(([, c]) => c.includes(query)), then,
      { timeout: 120000 });
    await page.waitForTimeout(1000);
    const from = await page.evaluate(() => {
      const at = performance.timeOrigin + performance.now();
      history.back();
      return at;
    });
    await page.waitForFunction(([t, query]) => window.duvDrawn.some(([at, c]) => at >= t && c.includes(query)),
      [from, first], { timeout: 120000 });
    if (/page=2/.test(page.url())) throw new Error(`"${first}": Back did not return to the first page`);
    times.push((await drawnAt(page, from, first)) - from);
  }
  return times;
}

// Later queries typed the same way and sent with Enter at once after the
// last key: from Enter to the results rendered.
async function entered(page, queries) {
  const times = [];
  const box = page.locator('input.duv-input').first();
  for (const q of queries) {
    await box.fill('');
    await box.pressSequentially(q, { delay: 60 });
    await box.press('Enter');
    const from = Number(await page.evaluate(() => sessionStorage.getItem('duvSubmit')));
    await page.waitForFunction(([t, query]) => window.duvDrawn.some(([at, c]) => at >= t && c.includes(query)),
      [from, q], { timeout: 120000 });
    times.push((await drawnAt(page, from, q)) - from);
  }
  return times;
}

try {
  console.log(`${RECORDS} records drawn from a crawl of ${crawled.length} pages (${f1(crawledSize)} bytes each, ` +
    `keywords scaled ${f1(scale)}x); duv_data.js ${f1(dataBytes / 1e6)} MB; medians of ${RUNS} runs`);
  const g = (k, m) => median(gen[k].map((x) => x[m]));
  console.log(`\ngenerator: data script alone ${f1(g('data', 'seconds'))} s, ${f1(g('data', 'kb') / 1024)} MB peak; ` +
    `with the index ${f1(g('index', 'seconds'))} s (ratio ${f1(g('index', 'seconds') / g('data', 'seconds'))}), ` +
    `${f1(g('index', 'kb') / 1024)} MB peak (ratio ${f1(g('index', 'kb') / g('data', 'kb'))})`);
  for (const [where, base] of [['http', server.url], ['file://', pathToFileURL(site).href + '/']]) {
    const m = { full: [], index: [], bytes: [], laterFull: [], laterIndex: [], typedFull: [], typedIndex: [],
      wall: [], wallFull: [], laterWall: [], laterWallFull: [], backIndex: [], backFull: [], enteredIndex: [], enteredFull: [],
      nextIndex: [], nextFull: [], pressedIndex: [], pressedFull: [], typedBytes: [], slowBytes: [], reloadIndex: [],
      reloadFull: [] };
    for (let r = 0; r < RUNS; r++) {
      const query = TYPICAL[r % TYPICAL.length];
      const full = await submit(base, '', query);
      m.full.push(full.ms);
      m.wallFull.push(full.wall);
      const laterFull = await later(full.page, LATER.slice(0, 3));
      m.laterFull.push(median(laterFull.times));
      m.laterWallFull.push(median(laterFull.walls));
      m.backFull.push(median(await back(full.page, LATER.slice(0, 3))));
      m.nextFull.push(median(await nextPage(full.page, LATER.slice(0, 2))));
      m.pressedFull.push(median(await nextPage(full.page, LATER.slice(0, 2), PRESS)));
      m.typedFull.push(median((await typed(full.page, TYPED.slice(0, 2))).times));
      m.enteredFull.push(median(await entered(full.page, ENTERED.slice(0, 2))));
      m.reloadFull.push(median(await reloaded(full.page, RELOADED.slice(0, 1))));
      await full.page.close();
      const idx = await submit(base, 'idx/', query);
      if (idx.shown !== full.shown) throw new Error(`"${query}": ${idx.shown} / ${full.shown}`);
      m.index.push(idx.ms);
      m.wall.push(idx.wall);
      m.bytes.push(idx.bytes);
      const laterIndex = await later(idx.page, LATER);
      m.laterIndex.push(median(laterIndex.times));
      m.laterWall.push(median(laterIndex.walls));
      m.backIndex.push(median(await back(idx.page, LATER)));
      m.nextIndex.push(median(await nextPage(idx.page, LATER.slice(0, 4))));
      m.pressedIndex.push(median(await nextPage(idx.page, LATER.slice(4), PRESS)));
      const typedIndex = await typed(idx.page, TYPED);
      m.typedIndex.push(median(typedIndex.times));
      m.typedBytes.push(median(typedIndex.bytes));
      if (where === 'http') m.slowBytes.push(median((await typed(idx.page, TYPED_SLOWLY, SLOW_KEYS)).bytes));
      m.enteredIndex.push(median(await entered(idx.page, ENTERED)));
      m.reloadIndex.push(median(await reloaded(idx.page, RELOADED)));
      await idx.page.close();
    }
    const ratio = (a, b) => (median(a) / median(b)).toFixed(3);
    console.log(`\n${where}:`);
    console.log(`  submit to first results: index ${f1(median(m.index))} ms, full scan ${f1(median(m.full))} ms ` +
      `(ratio ${ratio(m.index, m.full)}); as the harness sees it: ${median(m.wall)} ms, ` +
      `${median(m.wallFull)} ms (ratio ${ratio(m.wall, m.wallFull)})`);
    console.log(`  later queries new to the page, set by a script: index ${f1(median(m.laterIndex))} ms, full scan ${f1(median(m.laterFull))} ms ` +
      `(ratio ${ratio(m.laterIndex, m.laterFull)}); as the harness sees it: ${median(m.laterWall)} ms, ` +
      `${median(m.laterWallFull)} ms (ratio ${ratio(m.laterWall, m.laterWallFull)})`);
    console.log(`  Back to earlier queries: index ${f1(median(m.backIndex))} ms, full scan ` +
      `${f1(median(m.backFull))} ms (ratio ${ratio(m.backIndex, m.backFull)}); after a reload: index ` +
      `${f1(median(m.reloadIndex))} ms, full scan ${f1(median(m.reloadFull))} ms ` +
      `(ratio ${ratio(m.reloadIndex, m.reloadFull)})`);
    console.log(`  the next page of results, from the click: index ${f1(median(m.nextIndex))} ms, full scan ` +
      `${f1(median(m.nextFull))} ms (ratio ${ratio(m.nextIndex, m.nextFull)}); the link pressed for ${PRESS} ms, ` +
      `from the release: index ${f1(median(m.pressedIndex))} ms, full scan ${f1(median(m.pressedFull))} ms ` +
      `(ratio ${ratio(m.pressedIndex, m.pressedFull)})`);
    console.log(`  later queries typed, from the end of the pause: index ${f1(median(m.typedIndex))} ms, ` +
      `full scan ${f1(median(m.typedFull))} ms (ratio ${(median(m.typedIndex) / median(m.typedFull)).toFixed(3)})`);
    console.log(`  later queries typed and sent with Enter, from Enter: index ${f1(median(m.enteredIndex))} ms, ` +
      `full scan ${f1(median(m.enteredFull))} ms (ratio ${ratio(m.enteredIndex, m.enteredFull)})`);
    if (where === 'http') {
      console.log(`  bytes loaded for a two-word query: index ${median(m.bytes)}, duv_data.js ${dataBytes} ` +
        `(ratio ${(median(m.bytes) / dataBytes * 100).toFixed(2)} %)`);
      console.log(`  index bytes loaded while a later query is typed, a key every 60 ms: ${median(m.typedBytes)} ` +
        `(ratio ${(median(m.typedBytes) / dataBytes * 100).toFixed(2)} % of duv_data.js); a key every ` +
        `${SLOW_KEYS} ms: ${median(m.slowBytes)} (ratio ${(median(m.slowBytes) / dataBytes * 100).toFixed(2)} %)`);
    }
  }
} finally {
  await browser.close();
  await server.close();
  if (process.env.DUVRA_BENCH_KEEP) console.log(`site kept in ${root}`);
  else fs.rmSync(root, { recursive: true, force: true });
}
