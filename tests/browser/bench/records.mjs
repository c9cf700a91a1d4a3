// Synthetic records for the benchmarks: deterministic pseudo-random text of
// 20,000 made-up words drawn by Zipf's law, as words of real text are; a
// tenth of the records carry accents and character references.
import { seededRandom } from '../lib/random.mjs';

const rand = seededRandom(12345);
const syll = ['ka', 'lo', 'mi', 'ne', 'ro', 'ta', 'vi', 'su', 'pe', 'da', 'gu', 'fo', 'ri', 'ze',
  'bra', 'sto', 'quen', 'mar', 'tel', 'dor', 'pli', 'sa', 'che', 'won', 'ix', 'um', 'ar', 'el'];
export const vocab = [];
const known = new Set();
while (vocab.length < 20000) {
  const w = Array.from({ length: 2 + rand(3) }, () => syll[rand(syll.length)]).join('');
  if (!known.has(w)) {
    known.add(w);
    vocab.push(w);
  }
}
const cumulative = [];
let total = 0;
for (let r = 1; r <= vocab.length; r++) cumulative.push((total += 1 / r));
const zipf = () => {
  const x = (rand(1 << 30) / (1 << 30)) * total;
  let lo = 0, hi = cumulative.length - 1;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (cumulative[mid] < x) lo = mid + 1; else hi = mid;
  }
  return vocab[lo];
};
const words = (n) => Array.from({ length: n }, zipf).join(' ');
export const synthetic = (count) => Array.from({ length: count }, (_, i) => {
  const fancy = i % 10 === 0 ? ' caf&eacute; d\u00e9j\u00e0 &#8212; ' : ' ';
  const title = words(5);
  return {
    title: title[0].toUpperCase() + title.slice(1),
    url: `/pages/${i}.html`,
    text: words(12) + fancy + words(12),
    keywords: words(6),
    newWindow: i % 7 === 0 ? '1' : '0',
  };
});
