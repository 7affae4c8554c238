#pragma once
// Writes a zip archive to a seekable device, one deflated entry at a time, streaming: an entry's
// data is compressed as it arrives and its header is completed afterwards. A large entry is cut
// into pieces deflated side by side on the machine's cores, each able to refer back into the one
// before it, and joined into one deflate stream. Entries or offsets past 4 GiB use the zip64
// extensions. Errors throw std::runtime_error.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
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
  // A piece of an entry's data deflated on its own: its bytes in the entry's stream, and the
  // checksum and size of the data they hold.
  struct TPacked {
    std::string Bytes;
    std::uint32_t Crc = 0;
    std::uint64_t Size = 0;
  };

  static TPacked DeflatePiece(int level, const std::string& dictionary, const std::string& data, bool last);
  // Hands the pending data on as the entry's next piece (its last: the stream ends there).
  void Launch(bool last);
  // Writes out the oldest piece still being deflated, once it is done.
  void Collect();
  void Store(const TPacked& piece);
  void Put(const std::string& bytes);
  void Put(const char* data, std::size_t size);

  QIODevice& FOut;
  int FLevel;
  std::vector<TEntry> FEntries;
  std::string FPending;     // the open entry's data not yet handed on
  std::string FDictionary;  // the last 32 KiB handed on, which the next piece may refer back to
  std::deque<std::future<TPacked>> FInFlight;  // in the entry's order
  bool FOpen = false;
};
