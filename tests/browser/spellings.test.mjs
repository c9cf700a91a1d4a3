// Every way a record may spell a word is found by the plain word, and by
// the word typed with an accent: letter case, character references for
// plain and accented letters, precomposed and combining accents, wide
// forms, ligatures, "ß", plurals and the address. Words that only hold the
// query word inside them are not. The search looks at raw record text
// before it folds a record, so this guards that look against missing any
// spelling that folding reads alike.
//   DUVRA_CLI=path/to/duvra-cli node --test spellings.test.mjs
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite } from './lib/site.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');

// [text, keywords, url, the words it is found by]
const SPELLINGS = [
  ['A TOMATO in capitals.', '', '/a.html', ['tomato']],
  ['A t&#111;mato by a decimal reference.', '', '/b.html', ['tomato']],
  ['A t&#x6F;mato by a hex reference.', '', '/c.html', ['tomato']],
  ['A tom&aacute;to by a named reference.', '', '/d.html', ['tomato']],
  ['A tom\u00e1to, accented.', '', '/e.html', ['tomato']],
  ['A toma\u0301to with a combining accent.', '', '/f.html', ['tomato']],
  ['A \uff54\uff4f\uff4d\uff41\uff54\uff4f in wide letters.', '', '/g.html', ['tomato']],
  ['Many tomatoes.', '', '/h.html', ['tomato']],
  ['Nothing here.', '', '/veg/tomato-care.html', ['tomato']],
  ['Soil &amp; water.', Array.from({ length: 40 }, (_, i) => `word${i}`).join(' ') + ' tomato', '/i.html', ['tomato']],
  ['Soil &amp; a TOMATO &lt;here&gt;.', '', '/j.html', ['tomato']],
  ['The \ufb01le menu.', '', '/k.html', ['file']],
  ['The FILE menu.', '', '/l.html', ['file']],
  ['In der Stra\u00dfe.', '', '/m.html', ['strasse']],
  ['In der STRASSE.', '', '/n.html', ['strasse']],
  // One or two letters match only whole words.
  ['An OX and a cart.', '', '/ox1.html', ['ox']],
  ['An o&#120; by reference.', '', '/ox2.html', ['ox']],
  ['An \uff4f\uff58 in wide letters.', '', '/ox3.html', ['ox']],
  ['Ox\u0301 with an accent.', '', '/ox4.html', ['ox']],
  // Only inside other words, or near misses.
  ['A box of oxen.', '', '/near5.html', []],  // no "ox" in its address either
  ['An automaton.', '', '/o.html', []],
  ['A potato and a tomcat.', '', '/p.html', []],
  ['Profile and misfiled.', '', '/q.html', []],
  ['Tom&#97;', '', '/r.html', []],
];
const RECORDS = SPELLINGS.map(([text, keywords, url], i) => ({ title: `Card ${i}`, url, text, keywords }));

const QUERIES = [
  ['tomato', 'tomato'],
  ['TOMATO', 'tomato'],
  ['tom\u00e1to', 'tomato'],
  ['file', 'file'],
  ['\ufb01le', 'file'],
  ['strasse', 'strasse'],
  ['ox', 'ox'],
  ['OX', 'ox'],
  ['stra\u00dfe', 'strasse'],
];

let browser;
let site;
let server;

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  site = makeSite(CLI, RECORDS, { return: 30 });
  server = await serve(site.site);
});

after(async () => {
  await browser?.close();
  await server?.close();
  if (site) fs.rmSync(site.root, { recursive: true, force: true });
});

test('each spelling of a word is found by the word in any spelling, and nothing else is', async () => {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const wrong = [];
  for (const [query, word] of QUERIES) {
    await page.goto(`${server.url}results.html?q=${encodeURIComponent(query)}`);
    await page.waitForSelector('.duv-count');
    const got = (await page.$$eval('.duv-title', (els) => els.map((e) => e.textContent.trim()))).sort();
    const expected = SPELLINGS.flatMap(([, , , words], i) => (words.includes(word) ? [`Card ${i}`] : [])).sort();
    if (JSON.stringify(got) !== JSON.stringify(expected)) wrong.push({ query, expected, got });
  }
  await page.close();
  assert.deepEqual(errors, []);
  assert.deepEqual(wrong, []);
});
