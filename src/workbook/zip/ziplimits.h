#pragma once
// Every bound our zip reader puts on an archive, in one place: the archive comes from outside, and a
// damaged or hostile one must be refused with a message before it can exhaust memory.

#include <cstdint>

namespace ziplimits {

// Entry count: a central directory record takes at least this many bytes, so a directory claiming
// more entries than its size holds is damaged; the count is never trusted beyond that.
constexpr std::uint64_t MinDirectoryRecord = 46;
constexpr std::uint64_t MaxEntries(std::uint64_t directorySize) { return directorySize / MinDirectoryRecord; }

// Entry size: the largest entry inflated.
constexpr std::uint64_t MaxEntrySize = std::uint64_t(2) << 30;

// Total expansion: the sizes of all entries together, as the directory declares them. Inflated data
// is checked against the declared size, so this also bounds what reading every entry produces.
constexpr std::uint64_t MaxTotalExpansion = 8 * MaxEntrySize;

}  // namespace ziplimits
