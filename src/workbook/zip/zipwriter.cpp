#include "workbook/zip/zipwriter.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include <QIODevice>
#include <zlib.h>

#include "workbook/zip/zipformat.h"

namespace {

using namespace zipformat;

constexpr std::uint16_t Version = 45;  // 4.5: zip64 may appear
constexpr std::uint16_t DosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01: entries carry no real time
// A piece large enough that starting it costs little against deflating it; the dictionary is all
// a deflate stream may refer back to.
constexpr std::size_t PieceSize = 1 << 20;
constexpr std::size_t DictionarySize = 32 * 1024;
constexpr std::size_t LocalFixedSize = 30;

void Put16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put64(std::string& s, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
std::uint32_t Clip32(std::uint64_t v) { return v >= Max32 ? Max32 : static_cast<std::uint32_t>(v); }

std::size_t Workers() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

TZipWriter::TZipWriter(QIODevice& out, int level) : FOut(out), FLevel(level) {
  if (out.isSequential()) throw std::runtime_error("the archive needs a file it can seek in");
  if (out.pos() != 0) throw std::runtime_error("the archive must start at the beginning of the file");
}

TZipWriter::~TZipWriter() = default;

void TZipWriter::Put(const char* data, std::size_t size) {
  if (size == 0) return;
  if (FOut.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size))
    throw std::runtime_error("cannot write: " + FOut.errorString().toStdString());
}

void TZipWriter::Put(const std::string& bytes) { Put(bytes.data(), bytes.size()); }

void TZipWriter::BeginEntry(const std::string& name) {
  if (FOpen) throw std::runtime_error("an entry is already open");
  if (name.empty() || name.size() > 0xFFFF) throw std::runtime_error("bad entry name");
  TEntry entry;
  entry.Name = name;
  entry.Offset = static_cast<std::uint64_t>(FOut.pos());
  // Sizes and CRC are filled in by EndEntry. The zip64 field is always reserved, because whether
  // an entry needs it is known only at the end.
  std::string header;
  Put32(header, LocalSignature);
  Put16(header, Version);
  Put16(header, 0);
  Put16(header, Deflated);
  Put16(header, 0);
  Put16(header, DosDate);
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, 0);
  Put16(header, static_cast<std::uint16_t>(name.size()));
  Put16(header, 20);
  header += name;
  Put16(header, Zip64Tag);
  Put16(header, 16);
  Put64(header, 0);
  Put64(header, 0);
  Put(header);
  FEntries.push_back(std::move(entry));

  FPending.clear();
  FDictionary.clear();
  FOpen = true;
}

TZipWriter::TPacked TZipWriter::DeflatePiece(int level, const std::string& dictionary, const std::string& data, bool last) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("cannot start compression");
  struct TEnd {
    z_stream& Z;
    ~TEnd() { deflateEnd(&Z); }
  } end{z};
  if (!dictionary.empty() &&
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()), static_cast<uInt>(dictionary.size())) != Z_OK)
    throw std::runtime_error("compression failed");
  TPacked packed;
  packed.Size = data.size();
  packed.Crc = static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
  packed.Bytes.resize(deflateBound(&z, static_cast<uLong>(data.size())) + 64);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  // A piece before the last ends on a byte boundary without ending the stream, so the next one's
  // blocks follow straight on.
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  std::size_t produced = 0;
  int rc = Z_OK;
  do {
    if (produced == packed.Bytes.size()) packed.Bytes.resize(2 * packed.Bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.Bytes.data() + produced);
    z.avail_out = static_cast<uInt>(packed.Bytes.size() - produced);
    rc = deflate(&z, flush);
    if (rc == Z_STREAM_ERROR) throw std::runtime_error("compression failed");
    produced = packed.Bytes.size() - z.avail_out;
  } while (last ? rc != Z_STREAM_END : z.avail_out == 0);
  packed.Bytes.resize(produced);
  return packed;
}

void TZipWriter::Launch(bool last) {
  std::string data = std::move(FPending);
  FPending.clear();
  std::string dictionary = FDictionary;
  // Every piece before the last is a whole PieceSize: its own end is the next one's dictionary.
  if (!last) {
    FPending.reserve(PieceSize);
    FDictionary.assign(data, data.size() - DictionarySize, DictionarySize);
  }
  // An entry of one piece, the usual small part, is deflated here: it starts no thread.
  if ((last && FInFlight.empty()) || Workers() == 1) {
    Store(DeflatePiece(FLevel, dictionary, data, last));
    return;
  }
  while (FInFlight.size() >= Workers()) Collect();
  FInFlight.push_back(std::async(std::launch::async, [level = FLevel, dictionary = std::move(dictionary), data = std::move(data), last] {
    return DeflatePiece(level, dictionary, data, last);
  }));
}

void TZipWriter::Collect() {
  std::future<TPacked> oldest = std::move(FInFlight.front());
  FInFlight.pop_front();
  Store(oldest.get());  // a failure in the piece is thrown here
}

void TZipWriter::Store(const TPacked& piece) {
  TEntry& entry = FEntries.back();
  Put(piece.Bytes);
  entry.Packed += piece.Bytes.size();
  entry.Crc = static_cast<std::uint32_t>(crc32_combine(entry.Crc, piece.Crc, static_cast<z_off_t>(piece.Size)));
}

void TZipWriter::Write(const char* data, std::size_t size) {
  if (!FOpen) throw std::runtime_error("no entry is open");
  FEntries.back().Size += size;
  while (size > 0) {
    const std::size_t take = std::min(size, PieceSize - FPending.size());
    FPending.append(data, take);
    data += take;
    size -= take;
    if (FPending.size() == PieceSize) Launch(false);
  }
}

void TZipWriter::EndEntry() {
  if (!FOpen) throw std::runtime_error("no entry is open");
  Launch(true);
  while (!FInFlight.empty()) Collect();
  FOpen = false;
  const TEntry& entry = FEntries.back();

  const qint64 end = FOut.pos();
  const bool big = entry.Size >= Max32 || entry.Packed >= Max32;
  std::string fields;
  Put32(fields, entry.Crc);
  Put32(fields, big ? Max32 : static_cast<std::uint32_t>(entry.Packed));
  Put32(fields, big ? Max32 : static_cast<std::uint32_t>(entry.Size));
  if (!FOut.seek(static_cast<qint64>(entry.Offset) + 14)) throw std::runtime_error("cannot seek in the file");
  Put(fields);
  if (big) {
    std::string sizes;
    Put64(sizes, entry.Size);
    Put64(sizes, entry.Packed);
    if (!FOut.seek(static_cast<qint64>(entry.Offset + LocalFixedSize + entry.Name.size() + 4)))
      throw std::runtime_error("cannot seek in the file");
    Put(sizes);
  }
  if (!FOut.seek(end)) throw std::runtime_error("cannot seek in the file");
}

void TZipWriter::Finish() {
  if (FOpen) EndEntry();
  const std::uint64_t directoryStart = static_cast<std::uint64_t>(FOut.pos());
  std::string directory;
  for (const TEntry& e : FEntries) {
    std::string extra;
    if (e.Size >= Max32) Put64(extra, e.Size);
    if (e.Packed >= Max32) Put64(extra, e.Packed);
    if (e.Offset >= Max32) Put64(extra, e.Offset);
    if (!extra.empty()) {
      std::string tagged;
      Put16(tagged, Zip64Tag);
      Put16(tagged, static_cast<std::uint16_t>(extra.size()));
      extra = tagged + extra;
    }
    Put32(directory, CentralSignature);
    Put16(directory, Version);
    Put16(directory, Version);
    Put16(directory, 0);
    Put16(directory, Deflated);
    Put16(directory, 0);
    Put16(directory, DosDate);
    Put32(directory, e.Crc);
    Put32(directory, Clip32(e.Packed));
    Put32(directory, Clip32(e.Size));
    Put16(directory, static_cast<std::uint16_t>(e.Name.size()));
    Put16(directory, static_cast<std::uint16_t>(extra.size()));
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, Clip32(e.Offset));
    directory += e.Name;
    directory += extra;
  }
  Put(directory);
  const std::uint64_t directorySize = directory.size();
  const std::uint64_t count = FEntries.size();
  std::string tail;
  if (count >= 0xFFFF || directoryStart >= Max32 || directorySize >= Max32) {
    const std::uint64_t end64 = directoryStart + directorySize;
    Put32(tail, End64Signature);
    Put64(tail, 44);
    Put16(tail, Version);
    Put16(tail, Version);
    Put32(tail, 0);
    Put32(tail, 0);
    Put64(tail, count);
    Put64(tail, count);
    Put64(tail, directorySize);
    Put64(tail, directoryStart);
    Put32(tail, End64LocatorSignature);
    Put32(tail, 0);
    Put64(tail, end64);
    Put32(tail, 1);
  }
  Put32(tail, EndSignature);
  Put16(tail, 0);
  Put16(tail, 0);
  Put16(tail, static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 0xFFFF)));
  Put16(tail, static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 0xFFFF)));
  Put32(tail, Clip32(directorySize));
  Put32(tail, Clip32(directoryStart));
  Put16(tail, 0);
  Put(tail);
}
