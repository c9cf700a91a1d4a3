// The read time-out and request delay choices, in seconds. The database
// stores the index of the chosen item, so the order of each table is part of
// the stored form and never changes.
#pragma once

namespace duvra {

inline constexpr int kTimeoutChoices[] = {10, 20, 30, 40, 50, 60};
inline constexpr int kDelayChoices[] = {0, 1, 2, 3, 4, 5, 10, 20, 30, 60};
// A new database's items, and what the Options dialog's Restore puts back.
inline constexpr int kDefaultTimeoutItem = 2;
inline constexpr int kDefaultDelayItem = 0;

inline constexpr int kMillisecondsPerSecond = 1000;
// The read time-out wherever nothing else sets one: the default item's 30
// seconds.
inline constexpr int kDefaultReadTimeoutMs =
    kTimeoutChoices[kDefaultTimeoutItem] * kMillisecondsPerSecond;

}  // namespace duvra
