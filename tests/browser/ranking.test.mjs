// The ranking of the visitor's search in Chromium: a table of queries and
// the order a visitor expects on one fixed record set, whose database order
// differs from those orders. Over http and file://.
//   DUVRA_CLI=path/to/duvra-cli node --test ranking.test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite } from './lib/site.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');

// A hub page first: its long keyword list holds nearly every word, deep down.
const HUB_WORDS = Array.from({ length: 60 }, (_, i) => `filler${i}`).join(' ') +
  ' wheelchair tomato list beds blight raised dictionary';
const RECORDS = [
  { title: 'Site index', url: '/site-index.html', text: 'Every page of the site.', keywords: HUB_WORDS },
  { title: 'Summer 2026: a record tomato year', url: '/news/2026-summer.html',
    text: 'A warm, dry summer gave our plot holders their best tomato harvest yet.',
    keywords: 'summer tomato harvest record warm dry plot holders best year weather rain blight' },
  { title: 'Growing tomatoes outdoors', url: '/growing/tomatoes.html',
    text: 'How to raise outdoor tomatoes from seed to harvest, and how to keep blight away.',
    keywords: 'tomatoes outdoor seed harvest blight' },
  { title: 'Accessible raised beds', url: '/growing/Raised-Beds.html',
    text: 'Waist-height raised beds make gardening possible from a wheelchair.',
    keywords: 'raised beds accessible wheelchair waist height' },
  { title: 'Spring 2026: new raised beds open', url: '/news/2026-spring.html',
    text: 'A lottery grant has paid for six accessible raised beds.',
    keywords: 'spring lottery grant raised beds accessible' },
  { title: 'Beds and borders', url: '/borders.html', text: 'Flower beds that are raised in spring.',
    keywords: 'flower beds raised spring' },
  { title: 'Data structures', url: '/python/datastructures.html',
    text: 'Lists, tuples and dictionaries in more detail; a dictionary maps keys to values.',
    keywords: 'lists tuples dictionaries' },
  { title: 'Dictionaries', url: '/python/dict.html', text: 'Mapping types.', keywords: 'dictionaries mapping keys values' },
  { title: 'The C language', url: '/c.html', text: 'Plain C.', keywords: 'c language' },
  { title: 'C++ and C# bindings', url: '/bindings.html', text: 'Call the library from C++, C# or .NET.', keywords: 'bindings' },
  { title: 'Node.js guide', url: '/node.html', text: 'Running the scripts on node.js.', keywords: 'node javascript' },
  { title: 'Gr\u00f6\u00dfe und Ma\u00dfe', url: '/de/masse.html', text: 'Die Gr\u00f6\u00dfe der Beete.', keywords: 'beete' },
  // Thai, written without spaces: "a guide to growing vegetables", "growing tomatoes in the garden".
  { title: '\u0e04\u0e39\u0e48\u0e21\u0e37\u0e2d\u0e01\u0e32\u0e23\u0e1b\u0e25\u0e39\u0e01\u0e1c\u0e31\u0e01', url: '/th/guide.html',
    text: '\u0e01\u0e32\u0e23\u0e1b\u0e25\u0e39\u0e01\u0e21\u0e30\u0e40\u0e02\u0e37\u0e2d\u0e40\u0e17\u0e28\u0e43\u0e19\u0e2a\u0e27\u0e19', keywords: '' },
  { title: 'Making compost', url: '/compost.html', text: 'Kitchen waste made into compost.', keywords: 'compost kitchen waste' },
  { title: 'Expressions', url: '/sql/expressions.html', text: 'Constants, column references and operators.',
    keywords: `${Array.from({ length: 120 }, (_, i) => `term${i}`).join(' ')} regular` },
  { title: 'Pattern matching', url: '/sql/matching.html',
    text: 'Three ways to match patterns: LIKE, SIMILAR TO and POSIX regular ones.',
    keywords: 'regular posix style expressions like similar' },
  // "compost heap": here only a word beginning with "compost" stands beside
  // "heap"; in the next both words stand as typed, a little further down.
  { title: 'Worm bins', url: '/worms.html', text: 'A heap of worms.',
    keywords: `${Array.from({ length: 20 }, (_, i) => `worm${i}`).join(' ')} compostable heap` },
  { title: 'Plot notes', url: '/notes.html', text: 'Notes from the plot.',
    keywords: `${Array.from({ length: 30 }, (_, i) => `note${i}`).join(' ')} compost heap` },
];

const TITLE = Object.fromEntries(RECORDS.map((r, i) => [i, r.title]));

// query -> the titles expected first, in order (the rest may follow).
const TABLE = [
  // A word in the title (or the page's own name) outweighs one deep in the
  // keywords; a stem in the title and the text beats a whole word in the
  // title alone with the other word in the keywords.
  ['tomato blight', [2, 1, 0], 'exact'],
  // Plurals and verb endings meet on both sides.
  ['dictionary', [7, 6, 0], 'exact'],
  ['tomatoes', [2, 1, 0], 'exact'],
  ['make compost', [13, 17, 16], 'exact'],
  // Words side by side and in order count more; the title that the query
  // fills most comes first.
  ['raised beds', [3, 4, 5, 0], 'exact'],
  // Excluded words are optional; a record holding every other word comes
  // before those holding most of them, never after.
  ['raised beds for a wheelchair', [3, 0, 4, 5], 'exact'],
  // Every word well placed beats one word in the title and the other deep
  // in the keywords.
  ['regular expression', [15, 14], 'exact'],
  // Two words side by side count by the weaker match: a word beginning
  // beside the other word says less than both words as typed.
  ['compost heap', [17, 16], 'exact'],
  // Names with signs stay whole.
  ['c++', [9], 'exact'],
  ['c#', [9], 'exact'],
  ['.net', [9], 'exact'],
  // A whole word before words that begin with it.
  ['c', [8], 'first'],
  ['node.js', [10], 'exact'],
  // Umlauts also match their two-letter spelling.
  ['groesse', [11], 'exact'],
  ['gr\u00f6\u00dfe', [11], 'exact'],
  ['GROSSE', [11], 'exact'],
  // Words of unspaced scripts are found inside the text ("tomato").
  ['\u0e21\u0e30\u0e40\u0e02\u0e37\u0e2d\u0e40\u0e17\u0e28', [12], 'exact'],
  ['\u0e1c\u0e31\u0e01', [12], 'exact'],
  // Exclusions and phrases keep their meaning.
  ['tomato -summer', [2, 0], 'exact'],
  ['"beds that are raised"', [5], 'exact'],
  ['raised beds -"raised beds"', [5, 0], 'exact'],
];

let browser;
let site;
let server;

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  site = makeSite(CLI, RECORDS, { bold: 1, return: 30 });
  server = await serve(site.site);
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (site) fs.rmSync(site.root, { recursive: true, force: true });
});

async function search(base, query) {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`${base}results.html?q=${encodeURIComponent(query)}`);
  await page.waitForSelector('.duv-count');
  const titles = await page.$$eval('.duv-title', (els) => els.map((e) => e.textContent.trim()));
  const leftOut = await page.$$eval('.duv-left-out', (els) => els.map((e) => e.textContent));
  await page.close();
  assert.deepEqual(errors, []);
  return { titles, leftOut };
}

for (const mode of ['http', 'file']) {
  describe(`ranking over ${mode}`, () => {
    const base = () => (mode === 'http' ? server.url : `file://${site.site}/`);

    test('the table of queries and expected orders', async () => {
      const wrong = [];
      for (const [query, order, how] of TABLE) {
        const { titles } = await search(base(), query);
        const expected = order.map((i) => TITLE[i]);
        const got = how === 'exact' ? titles : titles.slice(0, expected.length);
        if (JSON.stringify(got) !== JSON.stringify(expected)) wrong.push({ query, expected, got });
      }
      assert.deepEqual(wrong, []);
    });

    test('a word that no record holds is left out, and said so', async () => {
      const { titles, leftOut } = await search(base(), 'raised beds wheelchair zzqx');
      assert.equal(titles[0], TITLE[3]);
      assert.equal(leftOut.length, 1);
      assert.match(leftOut[0], /\u201czzqx\u201d/);
      // Alone, such a word finds nothing, as before.
      const none = await search(base(), 'zzqx');
      assert.deepEqual(none.titles, []);
    });

    test('a query of excluded words only keeps them', async () => {
      // "the" is an excluded word and, alone, must still match.
      const { titles } = await search(base(), 'the');
      assert.ok(titles.includes(TITLE[8]), titles.join(' | '));
    });
  });
}
