// The results page as a visitor uses it: the results follow the search box
// while typing, and on a 320 px phone screen nothing scrolls sideways and
// every link is a target of at least 24 x 24 px. Screenshots of the narrow
// pages are written to $DUVRA_SCREENS (default: a temporary folder) to be
// looked at.
//   DUVRA_CLI=path/to/duvra-cli node --test screen.test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite } from './lib/site.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');
const DATA_DIR = process.env.DUVRA_DATA_DIR ?? path.resolve('../../data');
const SCREENS = process.env.DUVRA_SCREENS ?? fs.mkdtempSync(path.join(os.tmpdir(), 'duvra-screens-'));

const LONG = 'Pneumonoultramicroscopicsilicovolcanoconiosis'.repeat(3);
const RECORDS = [
  { title: 'Growing tomatoes outdoors', url: '/growing/tomatoes.html', text: 'Tomatoes from seed to harvest.', keywords: 'tomato' },
  { title: `A ${LONG} title`, url: `/a/very/long/address/${LONG.toLowerCase()}/page.html?with=${LONG}`,
    text: `Text with ${LONG} and the tomato in it.`, keywords: 'tomato' },
  { title: 'Tomato soup', url: '/soup.html', text: 'Warm tomato soup for cold days.', keywords: 'tomato soup' },
  { title: 'Fox', url: '/fox.html', text: 'Quick brown fox.', keywords: 'fox' },
  { title: 'Long read', url: '/long.html', keywords: 'read',
    text: `${'Opening words of a long page. '.repeat(20)}Then the blight came late in August. ${'Closing words. '.repeat(30)}` },
  ...Array.from({ length: 30 }, (_, i) => ({
    title: `Tomato note ${i + 1}`, url: `/notes/${i + 1}.html`, text: `Note ${i + 1} about a tomato.`, keywords: 'tomato',
  })),
];

let browser, site, server;

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  site = makeSite(CLI, RECORDS, { number: 1, bold: 1, url: 1, return: 10 });
  const help = fs.readFileSync(path.join(DATA_DIR, 'help', '7000.html'), 'utf8');
  const example = [...help.matchAll(/<pre>([\s\S]*?)<\/pre>/g)].map((m) => m[1])
    .find((p) => p.startsWith('&lt;!DOCTYPE html&gt;'));
  assert.ok(example, 'the help topic holds a complete results page');
  fs.writeFileSync(path.join(site.site, 'example.html'),
    example.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&'));
  server = await serve(site.site);
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (site) fs.rmSync(site.root, { recursive: true, force: true });
  console.log(`screenshots in ${SCREENS}`);
});

const titles = (page) => page.$$eval('.duv-title', (els) => els.map((e) => e.textContent.trim()));

for (const mode of ['http', 'file']) {
  describe(`results page over ${mode}`, () => {
    const base = () => (mode === 'http' ? server.url : `file://${site.site}/`);

    test('results follow the box while typing; the address keeps the query', async () => {
      const page = await browser.context.newPage();
      const errors = [];
      page.on('pageerror', (e) => errors.push(e.message));
      await page.goto(`${base()}results.html?q=fox`);
      await page.waitForSelector('.duv-count');
      assert.deepEqual(await titles(page), ['Fox']);
      const historyLength = await page.evaluate(() => history.length);
      await page.evaluate(() => { window.sameDocument = true; });
      const box = page.getByLabel('Search this site');
      await box.fill('');
      await box.pressSequentially('tomato soup', { delay: 40 });
      await page.waitForFunction(() => /tomato soup/.test(document.querySelector('.duv-count').textContent));
      assert.deepEqual((await titles(page))[0], 'Tomato soup');
      // No page load: the same document, the query in the address, no new
      // history entry.
      assert.equal(await page.evaluate(() => window.sameDocument), true);
      assert.match(page.url(), /results\.html\?q=tomato\+soup$/);
      assert.equal(await page.evaluate(() => history.length), historyLength);
      // Reload shows the same results, and the box the same query.
      await page.reload();
      await page.waitForSelector('.duv-count');
      assert.deepEqual((await titles(page))[0], 'Tomato soup');
      assert.equal(await page.getByLabel('Search this site').inputValue(), 'tomato soup');
      // Enter ends the pause: the results show here, the page is not loaded
      // again, and the address follows as while typing.
      await page.evaluate(() => { window.sameDocument = true; });
      await box.fill('fox');
      await box.press('Enter');
      await page.waitForFunction(() => /fox/.test(document.querySelector('.duv-count').textContent));
      assert.deepEqual(await titles(page), ['Fox']);
      assert.equal(await page.evaluate(() => window.sameDocument), true);
      assert.match(page.url(), /results\.html\?q=fox$/);
      assert.deepEqual(errors, []);
      await page.close();
    });

    test('a long text shows the part around the words searched for, in bold', async () => {
      const page = await browser.context.newPage();
      await page.goto(`${base()}results.html?q=${encodeURIComponent('late blight')}`);
      await page.waitForSelector('.duv-count');
      assert.deepEqual(await titles(page), ['Long read']);
      const text = await page.textContent('.duv-text');
      assert.ok(text.length < 300, `${text.length} characters shown`);
      assert.match(text, /^\u2026.*Then the blight came late in August\..*\u2026$/);
      assert.deepEqual(await page.$$eval('.duv-text .duv-hit', (e) => e.map((x) => x.textContent)), ['blight', 'late']);
      // A short text is shown whole.
      await page.goto(`${base()}results.html?q=soup`);
      await page.waitForSelector('.duv-count');
      assert.equal(await page.textContent('.duv-result:first-child .duv-text'), 'Warm tomato soup for cold days.');
      await page.close();
    });

    test('at 320 px nothing scrolls sideways and links are 24 x 24 px targets', async () => {
      const page = await browser.context.newPage({ viewport: { width: 320, height: 640 } });
      const pages = [['results', `results.html?q=${encodeURIComponent(`tomato ${LONG}`)}`],
        ['pager', 'results.html?q=tomato&page=2'], ['example', 'example.html?q=tomato']];
      for (const [name, address] of pages) {
        await page.setViewportSize({ width: 320, height: 640 });
        await page.goto(`${base()}${address}`);
        await page.waitForSelector('.duv-result');
        const widths = await page.evaluate(() => ({
          scroll: document.documentElement.scrollWidth, client: document.documentElement.clientWidth,
        }));
        assert.ok(widths.scroll <= widths.client, `${name}: ${widths.scroll} px wide in ${widths.client}`);
        const small = await page.$$eval('a.duv-title, a.duv-page, .duv-page', (els) => els
          .map((e) => ({ text: e.textContent.slice(0, 20), box: e.getBoundingClientRect() }))
          .filter((e) => e.box.width < 24 || e.box.height < 24)
          .map((e) => `${e.text} ${e.box.width}x${e.box.height}`));
        assert.deepEqual(small, [], name);
        if (mode === 'http') await page.screenshot({ path: path.join(SCREENS, `320-${name}.png`), fullPage: true });
      }
      await page.close();
    });
  });
}
