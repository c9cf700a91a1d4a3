// The search index against the full scan: the same site searched once by a
// results page that loads duv_data.js (every record read) and once by one
// that loads only duv_search.js (the index), for well over a thousand
// queries drawn from the records' own words. Everything the visitor sees
// must be the same, item for item and in order.
//   DUVRA_CLI=path/to/duvra-cli node --test index.test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite, RESULTS_PAGE } from './lib/site.mjs';
import { seededRandom } from './lib/random.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');

const rand = seededRandom(7);
const pick = (list) => list[rand(list.length)];

// Words with the shapes the search treats specially: stems and plurals,
// shared beginnings, umlauts and accents, references, signs that stay in a
// word, numbers, and text the index leaves to the full scan (Thai, Chinese).
const WORDS = ('table tables tablespace tablet index indexes indexing indexed create created creates ' +
  'creating creation dictionary dictionaries tomato tomatoes garden gardens gardening bed beds ' +
  'raised wheelchair blight query queries queried replication replica replicate role roles ' +
  'server servers serve served backup backups restore restored vacuum vacuuming lock locks ' +
  'locked locking trigger triggers function functions view views type types typed json jsonb ' +
  'make making made run running ran stop stopped stopping plan planner planning cost costs ' +
  'c++ c# .net node.js pg_dump e-mail utf8 locks1334 9.7 2026 v15 x86_64').split(' ');
const FANCY = ['Gr\u00f6\u00dfe', 'gr\u00f6sse', 'M\u00fcller', 'Mueller', '\u00fcber', 'caf\u00e9',
  'Caf&eacute;', 'd&#233;j&#224;', 'na\u00efve', 'Stra\u00dfe', '\u0153uvre', '\u03c3\u03bf\u03c6\u03af\u03b1',
  '\u043c\u043e\u0441\u043a\u0432\u0430', 'r&amp;d', '&lt;tag&gt;', 'a&nbsp;b', 'Se\u00f1or', 'A\u0308rger',
  '\u2192', '\u00b5s', '\u00bd', '\ufb01nest'];
const RARE = ['\u0e20\u0e32\u0e29\u0e32\u0e44\u0e17\u0e22', '\u6771\u4eac\u90fd', '\u65e5\u672c\u8a9e'];
const EXCLUDED = ['the', 'with', 'for', 'from', 'on', 'a'];

function sentence(n, fancy) {
  const out = [];
  for (let k = 0; k < n; k++) {
    const r = rand(20);
    out.push(r < fancy ? pick(FANCY) : r < fancy + 3 ? pick(EXCLUDED) : pick(WORDS));
  }
  return out.join(rand(4) ? ' ' : ', ');
}

const FOLDERS = ['', 'docs/', 'docs/admin/', 'garden/', 'tutorial/'];
const RECORDS = Array.from({ length: 420 }, (_, i) => {
  const title = sentence(1 + rand(5), i % 5 === 0 ? 3 : 0);
  const name = rand(6) ? `${pick(WORDS).replace(/[^a-z0-9]/g, '')}-${i}.html` : 'index.html';
  return {
    title: (rand(8) ? '' : `${1 + rand(12)}.${rand(9)}. `) + title,
    url: rand(10) ? `/${pick(FOLDERS)}${name}` : `http://example.org/${pick(FOLDERS)}${name}?x=1`,
    text: sentence(rand(30), i % 4 === 0 ? 2 : 0) + (i % 97 === 5 ? ` ${pick(RARE)}` : ''),
    keywords: sentence(rand(60), i % 7 === 0 ? 1 : 0),
    newWindow: i % 9 === 0 ? '1' : '0',
  };
});
// Words held only by records that hold no other query word, and a word
// held only where an excluded word stands too: the index may skip reading
// such records, yet the terms they hold count as held.
RECORDS.push({ title: 'Lonely', url: '/lonely.html', text: 'solitaire', keywords: 'solitaire', newWindow: '0' },
  { title: 'Hidden', url: '/hidden.html', text: 'cloistered garden', keywords: 'cloistered garden',
    newWindow: '0' });
const FIXED_QUERIES = ['table garden solitaire', 'solitaire table garden', 'table solitaire', 'solitaire table',
  'bed garden table solitaire', 'cloistered table -garden', 'table cloistered garden', 'garden -cloistered'];

// The records' own words, as a visitor would type them.
const RECORD_WORDS = [];
for (const r of RECORDS) {
  for (const field of [r.title, r.text, r.keywords]) {
    const words = field.split(/[\s,]+/).filter(Boolean);
    RECORD_WORDS.push(...words);
  }
}
const decode = (w) => w.replace(/&eacute;/g, '\u00e9').replace(/&#233;/g, '\u00e9').replace(/&#224;/g, '\u00e0')
  .replace(/&amp;/g, '&').replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&nbsp;/g, ' ');
const phraseFrom = (r, n) => {
  const words = r.keywords.split(/[\s,]+/).filter(Boolean);
  if (words.length < n) return words.join(' ');
  const at = rand(words.length - n + 1);
  return words.slice(at, at + n).join(' ');
};

function queries() {
  const q = [...FIXED_QUERIES];
  const word = () => decode(pick(RECORD_WORDS));
  const shapes = [
    () => word(),                                            // one word
    () => word().slice(0, 1 + rand(4)),                      // a beginning
    () => `${word()} ${word()}`,                             // two words
    () => `${word()} ${word()} ${word()}`,                   // three: "most words" matches
    () => `"${phraseFrom(pick(RECORDS), 2 + rand(2))}"`,     // a phrase
    () => phraseFrom(pick(RECORDS), 2),                      // neighbours, unquoted
    () => `${word()} -${word()}`,                            // an exclusion
    () => `${word()} -"${phraseFrom(pick(RECORDS), 2)}"`,    // an excluded phrase
    () => `${pick(EXCLUDED)} ${word()}`,                     // an optional excluded word
    () => pick(EXCLUDED),                                    // only excluded words
    () => pick(['gr\u00f6\u00dfe', 'groesse', 'GROSSE', 'muller', 'mueller', 'uber', 'ueber', 'cafe',
      'CAF\u00c9', 'deja', 'naive', 'strasse', 'oeuvre', 'sofia', '\u03c3\u03bf\u03c6\u03b9\u03b1', 'moskva',
      '\u043c\u043e\u0441\u043a\u0432\u0430', 'aerger', 'arger', 'fi', 'finest', 'senor', 'r&d', 'tag', 'us', 'mus']),
    () => pick(['zzqx', 'qqq nothing', 'xylophone', '-table', '"table garden bed blight"']),
    () => pick(['c++', 'c#', '.net', 'net', 'node.js', 'node', 'pg_dump', 'dump', 'e-mail', 'utf8', 'utf',
      'locks', '1334', '9.7', '2026', 'v15', 'x86_64', '\u0e20\u0e32\u0e29\u0e32', '\u6771\u4eac', '\u65e5']),
    () => `${word().toUpperCase()} ${word()}`,
    () => `${word()}s ${word()}ing`,                          // stems of the records' words
  ];
  while (q.length < Number(process.env.NQ ?? 1100)) q.push(pick(shapes)().trim());
  return q;
}

const PACK_BYTES = 512;
const CHUNK_RECORDS = 4;
let browser;
let site;
const servers = [];

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  await browser.context.addInitScript(() => {
    window.partsIn = 0;
    const count = (e) => { if (/duv_index\//.test(e.target.src ?? '')) window.partsIn++; };
    document.addEventListener('load', count, true);
    document.addEventListener('error', count, true);
  });
  // Small packs, so that query words find theirs among many, from their
  // keys or through the dictionary; small record chunks, so that the pages
  // of a query's results need chunks of their own.
  site = sitePair(RECORDS, { DUVRA_INDEX_PACK_BYTES: String(PACK_BYTES),
    DUVRA_INDEX_CHUNK_RECORDS: String(CHUNK_RECORDS) });
  servers.push(await serve(site.site));
});

// The two pages differ only in the data script: with it the search reads
// every record, without it the index. The index page stands in a folder of
// its own, so that the search finds its parts from its own script element,
// and links name the same page.
function sitePair(records, env = {}) {
  const made = makeSite(CLI, records, { number: 1, bold: 1, url: 1, return: 10 }, env);
  fs.mkdirSync(path.join(made.site, 'idx'));
  fs.writeFileSync(path.join(made.site, 'idx', 'results.html'),
    RESULTS_PAGE.replace('<script src="duv_data.js"></script>\n', '')
      .replace(/src="duv_/g, 'src="../duv_'));
  assert.ok(fs.existsSync(path.join(made.site, 'duv_index', 'manifest.js')));
  return made;
}

after(async () => {
  await browser?.close();
  for (const s of servers) await s.close();
});

// The results for an address: the page is loaded once, later addresses are
// set in it (as Back and Forward do), so each query costs a search, not a
// page load.
async function shown(page, url) {
  if (!page.url().startsWith(url.split('?')[0])) {
    await page.goto(url);
  } else {
    await page.evaluate((u) => {
      history.pushState(null, '', u);
      window.dispatchEvent(new PopStateEvent('popstate'));
    }, url);
  }
  await page.waitForFunction(() => {
    const box = document.querySelector('.duv-search');
    return box && !box.hasAttribute('aria-busy') && box.querySelector('.duv-count')?.textContent;
  });
  return page.evaluate(() => ({
    html: document.querySelector('.duv-search').innerHTML.replaceAll('/idx/results.html', '/results.html'),
    scanned: typeof s !== 'undefined',
  }));
}

// Every fifth query asks for its second page, unless pages says which.
async function compare(base, list, pages = null) {
  const full = await browser.context.newPage();
  const indexed = await browser.context.newPage();
  const errors = [];
  for (const page of [full, indexed]) page.on('pageerror', (e) => errors.push(e.message));
  const differ = [];
  let withResults = 0;
  for (const [k, q] of list.entries()) {
    const page = pages ? pages[k] : k % 5 === 4 ? 2 : 1;
    const params = `?q=${encodeURIComponent(q)}${page > 1 ? `&page=${page}` : ''}`;
    const [a, b] = await Promise.all([shown(full, `${base}results.html${params}`),
      shown(indexed, `${base}idx/results.html${params}`)]).catch((e) => {
      throw new Error(`query ${JSON.stringify(q)}: ${e.message} ${errors.join('; ')}`);
    });
    assert.ok(a.scanned && !b.scanned, 'the pages search as meant (data script / index)');
    if (a.html !== b.html) {
      let at = 0;
      while (a.html[at] === b.html[at]) at++;
      differ.push({ q, full: a.html.slice(Math.max(0, at - 150), at + 150),
        indexed: b.html.slice(Math.max(0, at - 150), at + 150) });
    }
    if (a.html.includes('duv-result')) withResults++;
  }
  await Promise.all([full.close(), indexed.close()]);
  return { differ, withResults };
}

describe('the index answers as the full scan', () => {
  test('over http: 1,100 queries of single words, pairs, phrases, exclusions, accents, no match', async () => {
    const list = queries();
    const { differ, withResults } = await compare(servers[0].url, list);
    assert.deepEqual(differ.slice(0, 3), [], `${differ.length} of ${list.length} queries differ`);
    // The query set is worth something only when most queries find pages.
    assert.ok(withResults > list.length * 0.6, `${withResults} queries with results`);
  });

  test('from file://: a sample of the same queries', async () => {
    const list = queries().slice(0, 120);
    const { differ } = await compare(pathToFileURL(site.site).href + '/', list);
    assert.deepEqual(differ.slice(0, 3), [], `${differ.length} of ${list.length} queries differ`);
  });

  // An index written before packs were listed by their first words (or one
  // whose other spellings stand only in their part) is read through its
  // dictionary, word by word.
  test('an index without pack keys: a sample of the same queries, through the dictionary', async () => {
    const manifest = path.join(site.site, 'duv_index', 'manifest.js');
    const text = fs.readFileSync(manifest, 'utf8');
    const data = JSON.parse(text.slice(text.indexOf(',') + 1, text.lastIndexOf(')')));
    assert.ok(data.keys.length > 50 && data.alts, 'the site has many packs and other spellings');
    delete data.keys;
    delete data.alts;
    fs.writeFileSync(manifest, `duv_index_part("manifest",${JSON.stringify(data)});\r\n`);
    try {
      const list = queries().slice(0, 300);
      const { differ } = await compare(servers[0].url, list);
      assert.deepEqual(differ.slice(0, 3), [], `${differ.length} of ${list.length} queries differ`);
    } finally {
      fs.writeFileSync(manifest, text);
    }
  });
});

// A crowd of records holding the query's words in every arrangement: the
// index reads those that may reach the shown page first and leaves unread
// those whose best possible score falls below the page's last, so each
// rule of the score must be counted at its most there. Scores here lie
// close together, and a record that wins by one rule alone (the title
// filled, a pair side by side, the weakest word well placed, the other
// fields, an excluded word) stands late in database order.
describe('records crowding the shown page', () => {
  test('the index leaves unread only records that cannot be shown', async () => {
    const crowdRand = seededRandom(11);
    const WORDS_IN = ['garden', 'table', 'bench', 'gardens', 'tables', 'gardening', 'the', 'with'];
    const token = (share) => (crowdRand(100) < share ? WORDS_IN[crowdRand(WORDS_IN.length)] : `f${crowdRand(40)}`);
    const tokens = (n, share) => Array.from({ length: n }, () => token(share)).join(' ');
    const crowd = Array.from({ length: 360 }, (_, i) => ({
      title: i % 3 ? tokens(1 + crowdRand(6), 45) : ['Garden table', 'Table garden', 'Garden', 'The garden table',
        'Bench', 'Garden tables', 'garden bench table'][crowdRand(7)],
      url: `/${crowdRand(2) ? 'garden/' : ''}${crowdRand(3) ? `f${i}` : tokens(1 + crowdRand(2), 60).replace(/ /g, '-')}-${i}.html`,
      // Some texts hold the words only from around the 40th word on.
      text: (i % 4 === 1 ? `${tokens(30 + crowdRand(15), 0)} ` : '') + tokens(crowdRand(50), 12),
      keywords: tokens(crowdRand(80), 8),
      newWindow: '0',
    }));
    const made = sitePair(crowd);
    const server = await serve(made.site);
    servers.push(server);
    const list = [], pages = [];
    for (const q of ['garden table', 'table garden', 'garden table bench', 'the garden table', 'garden',
      'gardens', 'garden -bench', 'table with bench', 'gard tab', 'bench garden table']) {
      for (const page of [1, 2, 4]) {
        list.push(q);
        pages.push(page);
      }
    }
    const { differ, withResults } = await compare(server.url, list, pages);
    assert.deepEqual(differ.slice(0, 3), [], `${differ.length} of ${list.length} queries differ`);
    assert.equal(withResults, list.length, 'every query finds pages');
  });
});

// The number of index parts a page has asked for, once every one is in (or
// failed) and none has been asked for since a moment.
async function settled(page) {
  const state = () => page.evaluate(() => [document.querySelectorAll('script[src*="duv_index/"]').length,
    window.partsIn]);
  for (let last = null; ;) {
    const [n, done] = await state();
    if (n === done && n === last) return n;
    last = n === done ? n : null;
    await page.waitForTimeout(200);
  }
}

// Only the pages asked for are put in order (all of them when a page asks
// for most of the results): a common word's results walked in pages of ten
// must be those walked in pages of thirty, where more of them are sorted,
// also when the page links are followed and each next page is put in order
// ahead.
describe('pages put in order on demand', () => {
  test('pages of ten equal pages of thirty, in the full scan and the index', async () => {
    const thirty = makeSite(CLI, RECORDS, { number: 1, bold: 1, url: 1, return: 30 });
    const server = await serve(thirty.site);
    servers.push(server);
    const page = await browser.context.newPage();
    const walk = async (base, q, per) => {
      const items = [];
      for (let n = 1, pages = 1; n <= pages; n++) {
        await shown(page, `${base}results.html?q=${encodeURIComponent(q)}&page=${n}`);
        const got = await page.evaluate(() => ({
          count: document.querySelector('.duv-count').textContent,
          items: [...document.querySelectorAll('.duv-results > li a')].map((a) => a.getAttribute('href')),
        }));
        pages = Math.ceil(Number(got.count.match(/[\d,]+/)[0].replace(/,/g, '')) / per);
        items.push(...got.items);
      }
      return items;
    };
    // The same through the Next links, pressed as a visitor would. Every
    // other page is left until the next one has been put in order ahead
    // (after the paint); the rest are pressed at once.
    const clickWalk = async (base, q) => {
      await shown(page, `${base}results.html?q=${encodeURIComponent(q)}`);
      await page.evaluate(() => { window.samePage = true; });
      const items = [];
      for (let n = 1; ; n++) {
        items.push(...await page.evaluate(() => [...document.querySelectorAll('.duv-results > li a')]
          .map((a) => a.getAttribute('href'))));
        const next = page.locator('a.duv-page[rel=next]');
        if (!(await next.count())) break;
        if (n % 2) {
          await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0))));
        }
        await next.click();
        await page.waitForFunction((start) => {
          const box = document.querySelector('.duv-search');
          return box && !box.hasAttribute('aria-busy') && box.querySelector('.duv-results')?.start > start;
        }, n * 10);
      }
      assert.equal(await page.evaluate(() => window.samePage), true, `"${q}": a page link loaded the page again`);
      assert.equal(await page.evaluate(() => typeof s), 'undefined', `"${q}": the data script was loaded`);
      return items;
    };
    for (const q of ['table', 'index', 'create', 'garden bed', 'serve', 'the table']) {
      const whole = await walk(server.url, q, 30);
      assert.ok(whole.length > 80, `"${q}": ${whole.length} results, too few for pages of ten to be picked`);
      for (const folder of ['', 'idx/']) {
        assert.deepEqual(await walk(`${servers[0].url}${folder}`, q, 10), whole, `"${q}" (${folder || 'full scan'})`);
      }
      assert.deepEqual(await clickWalk(`${servers[0].url}idx/`, q), whole, `"${q}" (index, page links)`);
    }
    await page.close();
  });

  test('the next page\'s records are fetched once the links to it come into view', async () => {
    const page = await browser.context.newPage();
    await page.setViewportSize({ width: 800, height: 300 });
    await shown(page, `${servers[0].url}idx/results.html?q=table`);
    // Next, clicked at once by a script: drawn now, or only once its
    // records are in.
    const next = (range) => page.evaluate(async (r) => {
      document.querySelector('a.duv-page[rel=next]').click();
      const box = document.querySelector('.duv-search');
      const now = !box.hasAttribute('aria-busy');
      while (box.hasAttribute('aria-busy') || !box.querySelector('.duv-count').textContent.includes(r)) {
        await new Promise((done) => setTimeout(done, 10));
      }
      return now;
    }, range);
    await settled(page);
    assert.ok(await page.evaluate(() => document.querySelector('.duv-pages').getBoundingClientRect().top > innerHeight));
    assert.equal(await next('11 to 20'), false, 'links out of view: the next page waits for its records');
    await settled(page);
    await page.locator('.duv-pages').scrollIntoViewIfNeeded();
    await settled(page);
    assert.equal(await next('21 to 30'), true, 'links in view: the next page is drawn at once');
    await page.close();
  });

  test('Back after a reload finds the address it returns to at hand', async () => {
    const page = await browser.context.newPage();
    const full = await browser.context.newPage();
    const drawnWith = (text) => page.waitForFunction((t) => {
      const box = document.querySelector('.duv-search');
      return box && !box.hasAttribute('aria-busy') && box.querySelector('.duv-count')?.textContent.includes(t);
    }, text);
    // The visitor searches, goes to page 2, asks for other words there
    // (the entry follows the box) and reloads.
    await shown(page, `${servers[0].url}idx/results.html?q=garden`);
    await page.locator('a.duv-page[rel=next]').click();
    await drawnWith('11 to 20');
    const box = page.locator('input.duv-input').first();
    await box.fill('wheelchair ramp');
    await box.press('Enter');
    await drawnWith('wheelchair ramp');
    await page.reload();
    await drawnWith('wheelchair ramp');
    // What the page does once painted has begun, and is over.
    await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0))));
    const before = await settled(page);
    // What the page holds right after the search's own handler of Back.
    await page.evaluate(() => {
      window.samePage = true;
      window.addEventListener('popstate', () => {
        const box = document.querySelector('.duv-search');
        window.atBack = { asked: document.querySelectorAll('script[src*="duv_index/"]').length,
          drawn: !box.hasAttribute('aria-busy') && box.querySelector('.duv-count').textContent.includes('garden') };
      }, { once: true });
    });
    await page.goBack();
    await drawnWith('garden');
    assert.equal(await page.evaluate(() => window.samePage), true, 'Back is answered in the page');
    const atBack = await page.evaluate(() => window.atBack);
    assert.equal(atBack.asked, before, 'Back after the reload asked for parts: they were not fetched ahead');
    assert.ok(atBack.drawn, 'Back after the reload waited: its answer was not at hand');
    const { html } = await shown(full, `${servers[0].url}results.html?q=garden`);
    assert.equal(await page.evaluate(() => document.querySelector('.duv-search').innerHTML
      .replaceAll('/idx/results.html', '/results.html')), html);
    await Promise.all([page.close(), full.close()]);
  });
});

// Typing on a page that searches the index: the results follow the box as
// with the data script, the parts the words need are asked for while the
// visitor types, and the shown records before the pause after the last
// keystroke is over.
describe('search as you type with the index', () => {
  // A fresh index results page for each query, so that no part is at hand
  // yet; its errors and the times of its keys are kept.
  async function freshPage(base = servers[0].url) {
    const page = await browser.context.newPage();
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    await shown(page, `${base}idx/results.html?q=zzqx`);
    await page.evaluate(() => {
      window.samePage = true;
      document.addEventListener('input', () => { window.lastKey = performance.now(); });
      // The results follow the box once the pause is over: the address first.
      const replace = history.replaceState.bind(history);
      history.replaceState = (...args) => { window.followedAt = performance.now(); return replace(...args); };
    });
    page.from = await page.evaluate(() => performance.getEntriesByType('resource').length);
    return page;
  }
  // A fresh page with q typed into its box, a key every 30 ms (closer
  // together than any pause), and Enter pressed right after when asked.
  async function typedInto(q, enter) {
    const page = await freshPage();
    const box = page.locator('input.duv-input').first();
    await box.fill('');
    await box.pressSequentially(q, { delay: 30 });
    if (enter) await box.press('Enter');
    return page;
  }
  // When the page asked for parts of a kind (d, p or r) since it was opened.
  const askedFor = (page, kind) => page.evaluate(([n, re]) => performance.getEntriesByType('resource').slice(n)
    .filter((e) => new RegExp(re).test(e.name)).map((e) => e.startTime), [page.from, `duv_index/[^/]+/[${kind}]\\d+\\.js$`]);
  // The typed query's results, once shown, are the full scan's, in the same
  // document, and the data script was never needed.
  async function sameAsFullScan(page, full, q, base = servers[0].url) {
    await page.waitForFunction((query) => {
      const b = document.querySelector('.duv-search');
      return b && !b.hasAttribute('aria-busy') && b.querySelector('.duv-count')?.textContent.includes(query);
    }, q);
    const { html } = await shown(full, `${base}results.html?q=${encodeURIComponent(q)}`);
    const typed = await page.evaluate(() => document.querySelector('.duv-search').innerHTML
      .replaceAll('/idx/results.html', '/results.html'));
    assert.equal(typed, html, `"${q}" typed`);
    assert.equal(await page.evaluate(() => window.samePage), true, `"${q}": the page was loaded again`);
    assert.equal(await page.evaluate(() => typeof s), 'undefined', 'the index page never loads the data script');
    assert.deepEqual(page.errors, []);
  }

  test('a beginning that many words share is left unfetched while the visitor types on', async () => {
    // A hundred and sixty more words beginning "cre", in tiny packs.
    const more = Array.from({ length: 160 }, (_, i) => ({ title: `Word ${i}`, url: `/cre-${i}.html`, text: '',
      keywords: `cre${String.fromCharCode(97 + (i >> 4), 97 + (i & 15))} garden`, newWindow: '0' }));
    const tiny = sitePair(RECORDS.concat(more), { DUVRA_INDEX_PACK_BYTES: '96' });
    const server = await serve(tiny.site);
    servers.push(server);
    const text = fs.readFileSync(path.join(tiny.site, 'duv_index', 'manifest.js'), 'utf8');
    const { keys } = JSON.parse(text.slice(text.indexOf(',') + 1, text.lastIndexOf(')')));
    assert.ok(keys.filter((k) => k.startsWith('cre')).length > 8, 'the words beginning "cre" fill many packs');
    // A key every 180 ms: each is a pause, but shorter than the one after
    // which the results follow the box (250 ms).
    const page = await freshPage(server.url);
    const box = page.locator('input.duv-input').first();
    await box.fill('');
    await box.pressSequentially('cre', { delay: 180 });
    await page.waitForFunction(() => performance.now() > window.lastKey + 300);
    const lastKey = await page.evaluate(() => window.lastKey);
    assert.deepEqual((await askedFor(page, 'p')).filter((t) => t >= lastKey && t < lastKey + 240), [],
      'packs fetched for "cre" before the pause was over');
    // The pause, when it comes, loads them and shows the results.
    const full = await browser.context.newPage();
    await sameAsFullScan(page, full, 'cre', server.url);
    assert.ok((await askedFor(page, 'p')).some((t) => t >= lastKey + 200));
    await Promise.all([page.close(), full.close()]);
  });

  test('typed queries show what the full scan shows; parts are fetched while typing', async () => {
    const full = await browser.context.newPage();
    for (const [q, enter] of [['garden table', false], ['tomatoes blight', false], ['wheelchair', false],
      ['garden table', true], ['tomatoes blight', true], ['raised beds', true], ['b garden', true]]) {
      const page = await typedInto(q, enter);
      await sameAsFullScan(page, full, q);
      const lastKey = await page.evaluate(() => window.lastKey);
      const asked = await askedFor(page, 'dp'), records = await askedFor(page, 'r');
      assert.ok(asked.length && Math.min(...asked) < lastKey + 200, `"${q}": no part asked for while typing`);
      if (enter) {
        // Sent at once: only an answer worked out as soon as the parts are
        // in asks for records before the last key.
        assert.ok(records.some((t) => t < lastKey), `"${q}": no records asked for before the last key`);
      } else {
        // The shown records are fetched during the pause, before the
        // results follow the box.
        const followedAt = await page.evaluate(() => window.followedAt);
        assert.ok(records.length && Math.min(...records) < followedAt,
          `"${q}": shown records asked for ${Math.round(Math.min(...records) - followedAt)} ms after the pause`);
      }
      await page.close();
    }
    await full.close();
  });
});
