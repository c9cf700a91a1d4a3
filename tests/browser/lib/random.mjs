// A seeded random source (mulberry32), so that generated records and
// queries are the same on every run. rand(n) gives a whole number below n.
export function seededRandom(seed) {
  return (n) => {
    let t = (seed = (seed + 0x6d2b79f5) | 0);
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) % n;
  };
}
