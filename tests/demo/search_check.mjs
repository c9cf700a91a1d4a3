// Opens the demo's results page from file:// in Chromium, searches by typing
// into the generated search box, and expects the tomato guide among the hits.
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch } from '../browser/lib/browser.mjs';

const site = process.argv[2];
const browser = await launch();
try {
  const page = await browser.context.newPage();
  await page.goto(pathToFileURL(path.join(site, 'index.html')).href);
  const box = page.getByRole('searchbox').or(page.locator('input[type=search], input[type=text]')).first();
  await box.fill('tomato blight');
  await box.press('Enter');
  await page.waitForURL(/results\.html\?/);
  const link = page.locator('a', { hasText: 'Growing tomatoes outdoors' });
  await link.first().waitFor({ timeout: 10000 });
  const href = await link.first().getAttribute('href');
  if (!href || !href.endsWith('growing/tomatoes.html')) throw new Error(`unexpected link ${href}`);
  await link.first().click();
  await page.waitForURL(/growing\/tomatoes\.html$/);
  console.log('search found and opened', page.url());
} finally {
  await browser.close();
}
