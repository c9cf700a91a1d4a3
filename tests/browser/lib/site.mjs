// Test fixtures: a database written for duvra-cli, the scripts generated
// from it by duvra-cli itself, and the pages of a small site around them.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export function tempDir(stem) {
  return fs.mkdtempSync(path.join(os.tmpdir(), stem));
}

// Record fields as the database holds them: Title, URL, Text, Keywords,
// NewWindow. The generator numbers them.
export function recordLines(records) {
  return records.map((r, i) => [i, r.title, r.url, r.text ?? '', r.keywords ?? '', r.newWindow ?? '0'].join('^'));
}

export const RESULTS_PAGE = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1"><title>Search results</title></head>
<body>
<h1>Search results</h1>
<script src="duv_form.js"></script>
<main id="main">
<script src="duv_data.js"></script>
<script src="duv_search.js"></script>
</main>
</body></html>
`;

export const HOME_PAGE = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1"><title>Home</title></head>
<body>
<header><script src="duv_form.js"></script></header>
<p>Welcome.</p>
</body></html>
`;

// Writes a database with the records, sets its script settings and runs
// `duvra-cli create`. Returns the site folder. The records file is written
// in UTF-8, or as given when `records` is a Buffer of record lines.
export function makeSite(cli, records, settings = {}, env = {}) {
  const root = tempDir('duvra-site-');
  const site = path.join(root, 'www');
  fs.mkdirSync(site);
  const run = (...args) => execFileSync(cli, args, { cwd: root, encoding: 'utf8', env: { ...process.env, ...env } });
  run('new', 'site');
  const bytes = Buffer.isBuffer(records) ? records :
    Buffer.from(recordLines(records).map((l) => l + '\r\n').join(''), 'utf8');
  fs.writeFileSync(path.join(root, 'site.dat'), bytes);
  const opts = ['--folder', site];
  for (const [k, v] of Object.entries(settings)) opts.push(`--${k}`, String(v));
  run('scripts', 'site', ...opts);
  run('create', 'site');
  fs.writeFileSync(path.join(site, 'results.html'), RESULTS_PAGE);
  fs.writeFileSync(path.join(site, 'index.html'), HOME_PAGE);
  return { root, site, run };
}
