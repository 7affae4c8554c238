#pragma once
// Every bound our zip reader puts on an archive, in one place: the archive comes from outside, and a
// damaged or hostile one must be refused with a message before it can exhaust memory.

#include <cstdint>

namespace ziplimits {

// Entry count: a central directory record takes at least this many bytes, so a directory claiming
// more entries than its size holds is damaged; the count is never trusted beyond that.
constexpr std::uint64_t MinDirectoryRecord = 46;
constexpr std::uint64_t MaxEntries(std::uint64_t directorySize) { return directorySize / MinDirectoryRecord; }

// Total expansion: the sizes of all entries together, as the directory declares them. Inflated data
// is checked against the declared size, so this also bounds what reading every entry produces.
// A results table of 100 000 samples of 30 full-precision numbers expands to about 130 MB from an
// archive of about 45 MB. Any archive may expand to 96 MB (what this machine parses in about 1.5
// s, so a small file keeps within the 2 s a file of up to 10 MB may take); only an archive large
// enough to hold that much hardly compressible data may expand further, by at most 16 times its
// size, so a small archive can never make a reader parse gigabytes. 20 such runs are the most.
constexpr std::uint64_t BaseExpansion = std::uint64_t(96) << 20;
constexpr std::uint64_t MaxExpansionRatio = 16;
constexpr std::uint64_t MaxExpansion = std::uint64_t(4) << 30;
constexpr std::uint64_t MaxTotalExpansion(std::uint64_t archiveSize) {
  const std::uint64_t byRatio = archiveSize < MaxExpansion / MaxExpansionRatio ? archiveSize * MaxExpansionRatio : MaxExpansion;
  return byRatio > BaseExpansion ? byRatio : BaseExpansion;
}

// Entry size: the largest entry inflated.
constexpr std::uint64_t MaxEntrySize = std::uint64_t(2) << 30;

}  // namespace ziplimits
