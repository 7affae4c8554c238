#include "workbook/zip/zipwriter.h"

#include <limits>
#include <stdexcept>

#include <QIODevice>
#include <zlib.h>

#include "workbook/zip/zipformat.h"

namespace {

using namespace zipformat;

constexpr std::uint16_t Version = 45;  // 4.5: zip64 may appear
constexpr std::uint16_t DosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01: entries carry no real time
constexpr std::size_t ChunkSize = 256 * 1024;
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

}  // namespace

struct TZipWriter::TStream {
  z_stream Z{};
  std::uint32_t Crc = 0;
  bool Ready = false;
  ~TStream() { if (Ready) deflateEnd(&Z); }
};

TZipWriter::TZipWriter(QIODevice& out, int level) : FOut(out), FLevel(level), FBuffer(ChunkSize) {
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

  FStream = std::make_unique<TStream>();
  if (deflateInit2(&FStream->Z, FLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("cannot start compression");
  FStream->Ready = true;
  FStream->Crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
  FOpen = true;
}

void TZipWriter::Deflate(const char* data, std::size_t size, bool finish) {
  z_stream& z = FStream->Z;
  TEntry& entry = FEntries.back();
  // zlib counts in uInt; feed large blocks in pieces it can take.
  do {
    const std::size_t piece = std::min<std::size_t>(size, std::numeric_limits<uInt>::max());
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(piece);
    data += piece;
    size -= piece;
    const int flush = finish && size == 0 ? Z_FINISH : Z_NO_FLUSH;
    int rc = Z_OK;
    do {
      z.next_out = FBuffer.data();
      z.avail_out = static_cast<uInt>(FBuffer.size());
      rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) throw std::runtime_error("compression failed");
      const std::size_t produced = FBuffer.size() - z.avail_out;
      Put(reinterpret_cast<const char*>(FBuffer.data()), produced);
      entry.Packed += produced;
    } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  } while (size > 0);
}

void TZipWriter::Write(const char* data, std::size_t size) {
  if (!FOpen) throw std::runtime_error("no entry is open");
  if (size == 0) return;
  FStream->Crc = static_cast<std::uint32_t>(crc32_z(FStream->Crc, reinterpret_cast<const Bytef*>(data), size));
  FEntries.back().Size += size;
  Deflate(data, size, false);
}

void TZipWriter::EndEntry() {
  if (!FOpen) throw std::runtime_error("no entry is open");
  Deflate("", 0, true);
  TEntry& entry = FEntries.back();
  entry.Crc = FStream->Crc;
  FStream.reset();
  FOpen = false;

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
