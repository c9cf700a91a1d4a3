// Debian's Chromium, headless, with a fresh profile and no outside traffic.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import { tempDir } from './site.mjs';

export const CHROMIUM = process.env.DUVRA_CHROMIUM ?? '/usr/bin/chromium';

export async function launch() {
  const profile = tempDir('duvra-chromium-');
  // The profile folder becomes Chromium's --user-data-dir.
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}
