#pragma once
// Writes a zip archive to a seekable device, one deflated entry at a time, streaming: an entry's
// data is compressed as it arrives and its header is completed afterwards. Entries or offsets past
// 4 GiB use the zip64 extensions. Errors throw std::runtime_error.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QIODevice;

class TZipWriter {
 public:
  // level: zlib's compression level, 0 (stored blocks, for a copy kept in memory), 1 (fastest) to 9 (smallest).
  TZipWriter(QIODevice& out, int level);
  ~TZipWriter();
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  void BeginEntry(const std::string& name);
  void Write(const char* data, std::size_t size);
  void Write(const std::string& data) { Write(data.data(), data.size()); }
  void EndEntry();
  // Writes the central directory; the archive is complete only after this.
  void Finish();

 private:
  struct TEntry {
    std::string Name;
    std::uint64_t Offset = 0, Packed = 0, Size = 0;
    std::uint32_t Crc = 0;
  };
  struct TStream;

  void Deflate(const char* data, std::size_t size, bool finish);
  void Put(const std::string& bytes);
  void Put(const char* data, std::size_t size);

  QIODevice& FOut;
  int FLevel;
  std::unique_ptr<TStream> FStream;
  std::vector<TEntry> FEntries;
  std::vector<unsigned char> FBuffer;
  bool FOpen = false;
};
