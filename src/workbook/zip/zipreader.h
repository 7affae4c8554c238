#pragma once
// Reads entries of a zip archive held in memory: the central directory is checked on opening and
// each entry is inflated and verified against its CRC when asked for. Stored and deflated entries
// and the zip64 extensions are understood; the bounds put on an archive are in ziplimits.h. Errors
// throw std::runtime_error saying what is wrong.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QByteArray>

class TZipReader {
 public:
  // The archive's bytes must outlive the reader.
  explicit TZipReader(const QByteArray& archive);

  // Entry names compare without regard to case, as package part names do.
  bool Has(const std::string& name) const;
  // The names of the entries, in archive order; of two same names only the first (the one read).
  std::vector<std::string> Names() const;
  std::string Read(const std::string& name) const;
  // The entry's size as its directory states it (reading checks it); 0 for a missing entry.
  std::uint64_t DeclaredSize(const std::string& name) const;
  // Hands the entry's data to sink in pieces as it is inflated, so a large entry is never whole
  // in memory. The CRC is checked after the last piece: a sink must not treat data as final
  // before Read returns.
  void Read(const std::string& name, const std::function<void(const char*, std::size_t)>& sink) const;

 private:
  struct TEntry {
    std::string Name;
    std::uint64_t Offset = 0, Packed = 0, Size = 0;
    std::uint32_t Crc = 0;
    std::uint16_t Method = 0;
  };
  const TEntry* Find(const std::string& name) const;

  const QByteArray& FData;
  std::vector<TEntry> FEntries;
  std::unordered_map<std::string, std::size_t> FIndex;  // case-folded name -> entry
};
