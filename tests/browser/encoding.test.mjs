// The same records written in UTF-8, in windows-1252 and in both at once
// (a field each), shown by results pages that declare UTF-8 or
// windows-1252, over http and file://: every combination must show the same
// text and find the same pages, and the data script must read back into a
// database as UTF-8.
//   DUVRA_CLI=path/to/duvra-cli node --test encoding.test.mjs
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { launch } from './lib/browser.mjs';
import { serve } from './lib/server.mjs';
import { makeSite, recordLines, RESULTS_PAGE, tempDir } from './lib/site.mjs';

const CLI = process.env.DUVRA_CLI ?? path.resolve('../../build/src/cli/duvra-cli');

const RECORDS = [
  { title: 'What\u2019s new in Gr\u00f6\u00dfe', url: '/news.html', text: 'Cr\u00e8me br\u00fbl\u00e9e \u2013 5 \u20ac', keywords: 'dessert' },
  { title: 'Caf\u00e9 \u00bbLa Fa\u00e7ade\u00ab', url: '/caf\u00e9.html', text: 'Na\u00efve \u00e6sthetics, \u0153uvre', keywords: 'coffee' },
];

// windows-1252 bytes of text that the code page can hold.
const CP1252 = { '\u20ac': 0x80, '\u2019': 0x92, '\u2013': 0x96, '\u0153': 0x9c };
function cp1252(text) {
  return Buffer.from([...text].map((c) => {
    if (CP1252[c] !== undefined) return CP1252[c];
    const code = c.codePointAt(0);
    assert.ok(code < 0x80 || (code >= 0xa0 && code <= 0xff), `not in windows-1252: ${c}`);
    return code;
  }));
}

// Record lines as bytes: each field encoded by encode(field, index).
function bytes(encode) {
  const parts = [];
  for (const line of recordLines(RECORDS)) {
    line.split('^').forEach((field, i) => {
      if (i > 0) parts.push(Buffer.from('^'));
      parts.push(encode(field, i));
    });
    parts.push(Buffer.from('\r\n'));
  }
  return Buffer.concat(parts);
}

const DATABASES = {
  'UTF-8': bytes((f) => Buffer.from(f, 'utf8')),
  'windows-1252': bytes((f) => cp1252(f)),
  // A title typed in the record editor beside text indexed from a page in
  // windows-1252: the two fields disagree within one record.
  mixed: bytes((f, i) => (i === 1 || i === 2 ? Buffer.from(f, 'utf8') : cp1252(f))),
};

const sites = {};
const servers = [];
let browser;

before(async () => {
  assert.ok(fs.existsSync(CLI), `duvra-cli not found at ${CLI} (set DUVRA_CLI)`);
  browser = await launch();
  for (const [name, data] of Object.entries(DATABASES)) {
    const site = makeSite(CLI, data, { bold: 1, url: 1 });
    fs.writeFileSync(path.join(site.site, 'results-1252.html'),
      RESULTS_PAGE.replace('charset="utf-8"', 'charset="windows-1252"'));
    const server = await serve(site.site);
    servers.push(server);
    site.http = server.url;
    site.file = `file://${site.site}/`;
    sites[name] = site;
  }
});

after(async () => {
  await browser?.close();
  for (const s of servers) await s.close();
  for (const s of Object.values(sites)) fs.rmSync(s.root, { recursive: true, force: true });
});

async function shown(address) {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForSelector('.duv-count');
  const result = await page.$$eval('.duv-result', (items) => items.map((li) => ({
    title: li.querySelector('.duv-title').textContent,
    text: li.querySelector('.duv-text')?.textContent ?? '',
    url: li.querySelector('.duv-url')?.textContent ?? '',
    href: li.querySelector('a.duv-title')?.getAttribute('href') ?? '',
  })));
  await page.close();
  assert.deepEqual(errors, []);
  return result;
}

const QUERIES = [
  ['creme brulee', [0]],
  ['groesse', [0]],
  ['what\u2019s new', [0]],
  ['5 \u20ac', [0]],
  ['facade', [1]],
  ['caf\u00e9', [1]],
  ['naive aesthetics oeuvre', [1]],
];

test('every database shows and finds the same in UTF-8 and windows-1252 pages, over http and file://', async () => {
  const wrong = [];
  for (const [db, site] of Object.entries(sites)) {
    for (const mode of ['http', 'file']) {
      for (const page of ['results.html', 'results-1252.html']) {
        for (const [query, expected] of QUERIES) {
          const got = await shown(`${site[mode]}${page}?q=${encodeURIComponent(query)}`);
          const want = expected.map((i) => ({
            title: RECORDS[i].title, text: RECORDS[i].text, url: RECORDS[i].url, href: RECORDS[i].url,
          }));
          if (JSON.stringify(got) !== JSON.stringify(want)) wrong.push({ db, mode, page, query, got });
        }
      }
    }
  }
  assert.deepEqual(wrong, []);
});

test('the data script is ASCII and reads back into a database as UTF-8', () => {
  for (const [db, site] of Object.entries(sites)) {
    const script = fs.readFileSync(path.join(site.site, 'duv_data.js'));
    assert.ok(script.every((b) => b < 0x80), `${db}: duv_data.js holds bytes above ASCII`);
    const words = fs.readFileSync(path.join(site.site, 'duv_words.js'));
    assert.ok(words.every((b) => b < 0x80), `${db}: duv_words.js holds bytes above ASCII`);
    for (const name of ['duv_form.js', 'duv_search.js']) {
      assert.ok(fs.readFileSync(path.join(site.site, name)).every((b) => b < 0x80), `${name} is not ASCII`);
    }
    const dir = tempDir('duvra-import-');
    try {
      execFileSync(CLI, ['new', 'back'], { cwd: dir });
      execFileSync(CLI, ['import', 'back', path.join(site.site, 'duv_data.js')], { cwd: dir });
      const back = fs.readFileSync(path.join(dir, 'back.dat'));
      const expected = Buffer.from(recordLines(RECORDS).map((l) => l + '\r\n').join(''), 'utf8');
      assert.equal(back.toString('utf8'), expected.toString('utf8'), db);
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  }
});
