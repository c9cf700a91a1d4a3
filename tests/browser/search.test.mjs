// The visitor's search in Chromium: a fixture site written by duvra-cli,
// opened over http from 127.0.0.1 and from file://.
//   DUVRA_CLI=path/to/duvra-cli node --test search.test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite, RESULTS_PAGE } from './lib/site.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');
const DATA_DIR = process.env.DUVRA_DATA_DIR ?? path.resolve('../../data');

// Ordered so that the database order differs from the ranking where the
// ranking is under test.
const RECORDS = [
  { title: 'Plants', url: '/garden-center.html', text: 'Seeds and tools.', keywords: 'plants' },
  { title: 'Tools', url: '/tools.html', text: 'A garden needs tools.', keywords: 'tools' },
  { title: 'Seeds', url: '/seeds.html', text: 'Seeds for every bed.', keywords: 'garden seeds' },
  { title: 'Garden', url: '/g.html', text: 'All about it.', keywords: 'outdoor' },
  { title: 'Gardening tips', url: '/tips.html', text: 'Tips.', keywords: 'tips' },
  { title: 'Caf&eacute; cr&egrave;me', url: '/cafe.html',
    text: 'Caf&eacute; &amp; croissants&#8212;d&#233;licieux, &lt;b&gt;fresh&lt;/b&gt;', keywords: 'coffee' },
  { title: 'Stra\u00dfe map', url: '/map.html', text: 'The \ufb01nest \u0153uvre of the town.', keywords: 'map' },
  { title: 'Cafe\u0301 noir', url: '/noir.html', text: 'Black and strong.', keywords: 'coffee' },
  { title: 'The quick brown fox', url: '/fox.html', text: 'Jumps over the lazy dog.', keywords: 'fox' },
  { title: 'Brown quick fox', url: '/fox2.html', text: 'Another one.', keywords: 'fox' },
  { title: 'Partner site', url: 'http://partner.example/', text: 'Opens elsewhere.', keywords: 'partner', newWindow: '1' },
  { title: '<img src=x onerror="window.pwned=1">', url: 'javascript:window.pwned=2',
    text: '"</script><script>window.pwned=3</script>', keywords: 'hostile' },
  { title: 'He said "hi" \\o/', url: 'java\tscript:window.pwned=4', text: 'quote test', keywords: 'hostile' },
  { title: 'Data address', url: 'data:text/html,<b>x</b>', text: 'data test', keywords: 'hostile' },
  { title: 'Query string', url: '/q.html?a=1&amp;b=2', text: 'Address with a reference.', keywords: 'query' },
];

const PAGED = Array.from({ length: 25 }, (_, i) => ({
  title: `Item ${i + 1}`, url: `/item${i + 1}.html`, text: `Paged item number ${i + 1}.`, keywords: 'item',
}));

const NOIR = 'Cafe\u0301 noir';  // as the record holds it: e and a combining accent

let browser;
const sites = {};
const servers = [];

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  sites.shown = makeSite(CLI, RECORDS, { number: 1, bold: 1, url: 1 });
  sites.plain = makeSite(CLI, RECORDS, { number: 0, bold: 0, url: 0 });
  sites.paged = makeSite(CLI, PAGED, { number: 1, return: 10 });
  // The example results page of the scripts help topic, as an owner would
  // copy it.
  const help = fs.readFileSync(path.join(DATA_DIR, 'help', '7000.html'), 'utf8');
  const example = [...help.matchAll(/<pre>([\s\S]*?)<\/pre>/g)].map((m) => m[1])
    .find((p) => p.startsWith('&lt;!DOCTYPE html&gt;'));
  assert.ok(example, 'the help topic holds a complete results page');
  fs.writeFileSync(path.join(sites.shown.site, 'example.html'),
    example.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&'));
  // A results page whose search finds neither the index nor the data script
  // in its folder.
  const nodata = path.join(sites.shown.site, 'nodata');
  fs.mkdirSync(nodata);
  for (const f of ['duv_form.js', 'duv_search.js']) fs.copyFileSync(path.join(sites.shown.site, f), path.join(nodata, f));
  fs.writeFileSync(path.join(nodata, 'nodata.html'),
    RESULTS_PAGE.replace('<script src="duv_data.js"></script>', ''));
  for (const name of Object.keys(sites)) {
    const server = await serve(sites[name].site);
    servers.push(server);
    sites[name].http = server.url;
    sites[name].file = `file://${sites[name].site}/`;
  }
});

after(async () => {
  await browser?.close();
  for (const s of servers) await s.close();
  for (const s of Object.values(sites)) fs.rmSync(s.root, { recursive: true, force: true });
});

// Opens the results page of a site for a query; fails on any script error.
async function results(site, query, extra = '') {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('dialog', (d) => {
    errors.push(`dialog: ${d.message()}`);
    d.dismiss();
  });
  const q = query === null ? '' : `?q=${encodeURIComponent(query)}${extra}`;
  await page.goto(`${site}results.html${q}`);
  await page.waitForSelector('.duv-count');
  page.errors = errors;
  return page;
}

const titleTexts = (page) => page.$$eval('.duv-title', (els) => els.map((e) => {
  const c = e.cloneNode(true);
  c.querySelectorAll('.duv-hidden').forEach((h) => h.remove());
  return c.textContent.trim();
}));
const count = (page) => page.textContent('.duv-count');

for (const mode of ['http', 'file']) {
  describe(`search over ${mode}`, () => {
    const base = () => sites.shown[mode];

    test('every word must begin a word of the record', async () => {
      // The words side by side, in a shorter title, first.
      const page = await results(base(), 'quick fox');
      assert.deepEqual(await titleTexts(page), ['Brown quick fox', 'The quick brown fox']);
      assert.match(await count(page), /^2 results for “quick fox”/);
      // A word that no record holds is left out, and the page says so.
      const none = await results(base(), 'quick cat');
      assert.deepEqual(await titleTexts(none), ['Brown quick fox', 'The quick brown fox']);
      assert.match(await none.textContent('.duv-left-out'), /“cat”/);
      // A word matches the beginning of a word, not its middle.
      const middle = await results(base(), 'uick');
      assert.deepEqual(await titleTexts(middle), []);
      await Promise.all([page.close(), none.close(), middle.close()]);
    });

    test('ranking: title above the page name above keywords above text, whole words above stems, ties in database order', async () => {
      const page = await results(base(), 'garden');
      assert.deepEqual(await titleTexts(page), ['Garden', 'Gardening tips', 'Plants', 'Seeds', 'Tools']);
      const tie = await results(base(), 'coffee');
      assert.deepEqual(await titleTexts(tie), ['Café crème', NOIR]);
      await Promise.all([page.close(), tie.close()]);
    });

    test('quoted phrases must stand together; -word excludes', async () => {
      const phrase = await results(base(), '"quick brown"');
      assert.deepEqual(await titleTexts(phrase), ['The quick brown fox']);
      const typographic = await results(base(), '\u201cbrown quick\u201d');
      assert.deepEqual(await titleTexts(typographic), ['Brown quick fox']);
      const excluded = await results(base(), 'fox -lazy');
      assert.deepEqual(await titleTexts(excluded), ['Brown quick fox']);
      const excludedPhrase = await results(base(), 'fox -"quick brown"');
      assert.deepEqual(await titleTexts(excludedPhrase), ['Brown quick fox']);
      await Promise.all([phrase.close(), typographic.close(), excluded.close(), excludedPhrase.close()]);
    });

    test('case, accents, references, ligatures and decomposed letters do not count', async () => {
      for (const [query, expected] of [
        ['CAFE', ['Café crème', NOIR]],
        ['café', ['Café crème', NOIR]],
        ['delicieux', ['Café crème']],
        ['CRÈME', ['Café crème']],
        ['strasse', ['Straße map']],
        ['finest oeuvre', ['Straße map']],
        ['"cafe croissants"', ['Café crème']],
      ]) {
        const page = await results(base(), query);
        assert.deepEqual(await titleTexts(page), expected, `query ${query}`);
        await page.close();
      }
    });

    test('character references are shown decoded and nothing is read as markup', async () => {
      const page = await results(base(), 'croissants');
      const text = await page.textContent('.duv-text');
      assert.equal(text, 'Café & croissants—délicieux, <b>fresh</b>');
      assert.equal(await page.$$eval('.duv-text b:not(.duv-hit)', (e) => e.length), 0);
      const q = await results(base(), 'query string');
      assert.equal(await q.getAttribute('a.duv-title', 'href'), '/q.html?a=1&b=2');
      await Promise.all([page.close(), q.close()]);
    });

    test('hostile records show as text and unsafe addresses are not links', async () => {
      const page = await results(base(), 'hostile');
      assert.deepEqual(await titleTexts(page),
        ['<img src=x onerror="window.pwned=1">', 'He said "hi" \\o/', 'Data address']);
      assert.equal(await page.$$eval('.duv-search a.duv-title', (a) => a.length), 0);
      assert.equal(await page.$$eval('.duv-search img, .duv-search script', (e) => e.length), 0);
      assert.equal(await page.$$eval('.duv-text', (e) => e[0].textContent),
        '"</script><script>window.pwned=3</script>');
      await page.click('.duv-title');
      assert.equal(await page.evaluate(() => window.pwned), undefined);
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('hostile queries show as text', async () => {
      for (const query of ['<img src=x onerror=window.pwned=5>', '"', '</script>', '"><script>window.pwned=6</script>']) {
        const page = await results(base(), query);
        const shown = await count(page);
        assert.ok(shown.includes(query.trim()) || shown.startsWith('Type one or more'), `shown: ${shown}`);
        assert.equal(await page.$$eval('.duv-search img, .duv-search script', (e) => e.length), 0);
        assert.equal(await page.evaluate(() => window.pwned), undefined);
        assert.deepEqual(page.errors, []);
        await page.close();
      }
    });

    test('new-window records open in a new window with rel noopener', async () => {
      const page = await results(base(), 'partner');
      const link = await page.$('a.duv-title');
      assert.equal(await link.getAttribute('target'), '_blank');
      assert.equal(await link.getAttribute('rel'), 'noopener');
      assert.match(await link.textContent(), /opens in a new window/);
      const same = await results(base(), 'tips');
      assert.equal(await same.getAttribute('a.duv-title', 'target'), null);
      await Promise.all([page.close(), same.close()]);
    });

    test('display flags on: number, bold query words, address', async () => {
      const page = await results(base(), 'fox qui');
      assert.deepEqual(await page.$$eval('.duv-num', (e) => e.map((x) => x.textContent)), ['1.', '2.']);
      assert.deepEqual(await page.$$eval('.duv-result:first-child .duv-hit', (e) => e.map((x) => x.textContent)),
        ['qui', 'fox', 'fox']);
      assert.deepEqual(await page.$$eval('.duv-url', (e) => e.map((x) => x.textContent)), ['/fox2.html', '/fox.html']);
      const accent = await results(base(), 'creme cafe');
      assert.deepEqual(await accent.$$eval('.duv-result:first-child .duv-title .duv-hit',
        (e) => e.map((x) => x.textContent)), ['Café', 'crème']);
      await Promise.all([page.close(), accent.close()]);
    });

    test('display flags off: no number, no bold, no address', async () => {
      const page = await results(sites.plain[mode], 'fox');
      assert.equal(await titleTexts(page).then((t) => t.length), 2);
      assert.equal(await page.$$eval('.duv-num, .duv-hit, .duv-url', (e) => e.length), 0);
      await page.close();
    });

    test('no results, no query and missing data give clear messages', async () => {
      const none = await results(base(), 'nothingmatchesthis');
      assert.equal(await count(none), 'No pages were found for “nothingmatchesthis”.');
      assert.match(await none.textContent('.duv-hint'), /Check the spelling/);
      const empty = await results(base(), null);
      assert.match(await count(empty), /^Type one or more words/);
      const blank = await results(base(), '  - "" ');
      assert.match(await count(blank), /^Type one or more words/);
      const nodata = await browser.context.newPage();
      await nodata.goto(`${base()}nodata/nodata.html?q=fox`);
      assert.match(await nodata.textContent('.duv-count'), /could not be loaded/);
      await Promise.all([none.close(), empty.close(), blank.close(), nodata.close()]);
    });

    test('paging: return_results per page, links to the other pages', async () => {
      const site = sites.paged[mode];
      const first = await results(site, 'item');
      assert.match(await count(first), /^25 results for “item” Showing results 1 to 10\./);
      assert.deepEqual(await titleTexts(first), PAGED.slice(0, 10).map((r) => r.title));
      const nav = first.locator('nav[aria-label="Result pages"]');
      assert.deepEqual(await nav.locator('li').allTextContents(), ['1', '2', '3', 'Next']);
      assert.equal(await nav.locator('[aria-current="page"]').textContent(), '1');
      await first.evaluate(() => { window.samePage = true; });
      await nav.getByText('2', { exact: true }).click();
      await first.waitForURL(/page=2/);
      assert.deepEqual(await titleTexts(first), PAGED.slice(10, 20).map((r) => r.title));
      assert.equal((await first.$$eval('.duv-num', (e) => e.map((x) => x.textContent)))[0], '11.');
      assert.deepEqual(await first.locator('nav li').allTextContents(), ['Previous', '1', '2', '3', 'Next']);
      // Arriving from a page link, the count has the focus.
      assert.equal(await first.evaluate(() => document.activeElement.className), 'duv-count');
      await first.getByText('Next').click();
      await first.waitForURL(/page=3/);
      assert.deepEqual(await titleTexts(first), PAGED.slice(20).map((r) => r.title));
      // The pages are shown in place, each an entry of the history.
      assert.equal(await first.evaluate(() => window.samePage), true, 'a page link loaded the page again');
      await first.evaluate(() => history.back());
      await first.waitForFunction(() => document.querySelector('.duv-num')?.textContent === '11.');
      assert.match(first.url(), /page=2/);
      assert.deepEqual(await titleTexts(first), PAGED.slice(10, 20).map((r) => r.title));
      // Other words sent from the box take this entry's place; Back then
      // shows the query of the entry before, in the box as in the results.
      const box = first.getByLabel('Search this site');
      await box.fill('nothing like it');
      await box.press('Enter');
      await first.waitForFunction(() => /nothing like it/.test(document.querySelector('.duv-count')?.textContent));
      await first.evaluate(() => history.back());
      await first.waitForFunction(() => document.querySelector('.duv-num')?.textContent === '1.');
      assert.equal(await box.inputValue(), 'item');
      assert.equal(await first.evaluate(() => window.samePage), true, 'Back loaded the page again');
      const beyond = await results(site, 'item', '&page=99');
      assert.deepEqual(await titleTexts(beyond), PAGED.slice(20).map((r) => r.title));
      const bad = await results(site, 'item', '&page=abc');
      assert.deepEqual(await titleTexts(bad), PAGED.slice(0, 10).map((r) => r.title));
      await Promise.all([first.close(), beyond.close(), bad.close()]);
    });

    test('the example results page of the help topic works as given', async () => {
      const page = await browser.context.newPage();
      await page.goto(`${base()}example.html?q=fox`);
      await page.waitForSelector('.duv-count');
      assert.match(await count(page), /^2 results for “fox”/);
      assert.equal(await page.getByLabel('Search this site').inputValue(), '');
      assert.equal(await page.locator('main .duv-results .duv-result').count(), 2);
      await page.close();
    });

    test('the search box: labelled, submits the query, shows it on the results page', async () => {
      const page = await browser.context.newPage();
      await page.goto(`${base()}index.html`);
      const box = page.getByLabel('Search this site');
      assert.equal(await page.locator('form[role="search"]').count(), 1);
      await box.fill('quick fox');
      await Promise.all([page.waitForURL(/results\.html\?q=quick\+fox/), box.press('Enter')]);
      await page.waitForSelector('.duv-count');
      assert.match(await count(page), /^2 results/);
      assert.equal(await page.getByLabel('Search this site').inputValue(), 'quick fox');
      // The keyboard reaches the results in order.
      await page.getByLabel('Search this site').focus();
      await page.keyboard.press('Tab');
      await page.keyboard.press('Tab');
      assert.equal(await page.evaluate(() => document.activeElement.textContent), 'Brown quick fox');
      await page.close();
    });
  });
}
