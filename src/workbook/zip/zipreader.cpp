#include "workbook/zip/zipreader.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

#include <zlib.h>

#include "workbook/zip/zipformat.h"
#include "workbook/zip/ziplimits.h"

namespace {

using namespace zipformat;
using namespace ziplimits;

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

// Little-endian fields, every read checked against the end of the archive.
class TBytes {
 public:
  explicit TBytes(const QByteArray& data)
      : FData(reinterpret_cast<const unsigned char*>(data.constData())), FSize(static_cast<std::uint64_t>(data.size())) {}
  std::uint64_t Size() const { return FSize; }
  std::uint64_t Get(std::uint64_t at, int bytes) const {
    Need(at, static_cast<std::uint64_t>(bytes));
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | FData[at + i];
    return v;
  }
  std::uint32_t U16(std::uint64_t at) const { return static_cast<std::uint32_t>(Get(at, 2)); }
  std::uint32_t U32(std::uint64_t at) const { return static_cast<std::uint32_t>(Get(at, 4)); }
  std::uint64_t U64(std::uint64_t at) const { return Get(at, 8); }
  std::string Text(std::uint64_t at, std::uint64_t length) const {
    Need(at, length);
    return std::string(reinterpret_cast<const char*>(FData + at), length);
  }
  const unsigned char* At(std::uint64_t at, std::uint64_t length) const {
    Need(at, length);
    return FData + at;
  }
  void Need(std::uint64_t at, std::uint64_t length) const {
    if (at > FSize || length > FSize - at) Fail("the archive is truncated or damaged");
  }

 private:
  const unsigned char* FData;
  std::uint64_t FSize;
};

// Part names compare without regard to ASCII case, and a backslash (as some Windows tools write
// them) is a slash.
std::string Folded(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    else if (c == '\\') c = '/';
  }
  return name;
}

}  // namespace

TZipReader::TZipReader(const QByteArray& archive) : FData(archive) {
  const TBytes bytes(archive);
  // The end record sits in the last 22 bytes plus at most a 64 KiB comment.
  if (bytes.Size() < 22) Fail("the archive is truncated or damaged");
  std::uint64_t end = bytes.Size() - 22;
  const std::uint64_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
  while (bytes.U32(end) != EndSignature) {
    if (end == lowest) Fail("the archive's directory is missing (truncated file?)");
    --end;
  }
  std::uint64_t count = bytes.U16(end + 10);
  std::uint64_t directorySize = bytes.U32(end + 12);
  std::uint64_t at = bytes.U32(end + 16);
  if (end >= 20 && bytes.U32(end - 20) == End64LocatorSignature) {
    const std::uint64_t record = bytes.U64(end - 12);
    if (bytes.U32(record) != End64Signature) Fail("the archive's zip64 directory record is damaged");
    count = bytes.U64(record + 32);
    directorySize = bytes.U64(record + 40);
    at = bytes.U64(record + 48);
  }
  bytes.Need(at, directorySize);
  if (count > MaxEntries(directorySize)) Fail("the archive's directory is damaged");
  FEntries.reserve(count);
  std::uint64_t total = 0;
  const std::uint64_t limit = MaxTotalExpansion(bytes.Size());
  for (std::uint64_t i = 0; i < count; ++i) {
    if (bytes.U32(at) != CentralSignature) Fail("the archive's directory is damaged");
    TEntry e;
    e.Method = static_cast<std::uint16_t>(bytes.U16(at + 10));
    e.Crc = bytes.U32(at + 16);
    e.Packed = bytes.U32(at + 20);
    e.Size = bytes.U32(at + 24);
    const std::uint32_t nameLength = bytes.U16(at + 28), extraLength = bytes.U16(at + 30), commentLength = bytes.U16(at + 32);
    e.Offset = bytes.U32(at + 42);
    e.Name = bytes.Text(at + 46, nameLength);
    // zip64: the fields that overflowed follow in this order in the extra field.
    std::uint64_t extra = at + 46 + nameLength;
    const std::uint64_t extraEnd = extra + extraLength;
    while (extra + 4 <= extraEnd) {
      const std::uint32_t tag = bytes.U16(extra), length = bytes.U16(extra + 2);
      if (tag == Zip64Tag) {
        std::uint64_t field = extra + 4;
        const std::uint64_t fieldEnd = field + length;
        auto next = [&](std::uint64_t& value) {
          if (value != Max32) return;
          if (field + 8 > fieldEnd) Fail("the archive's zip64 fields are damaged");
          value = bytes.U64(field);
          field += 8;
        };
        next(e.Size);
        next(e.Packed);
        next(e.Offset);
      }
      extra += 4 + length;
    }
    if (e.Size > limit - total)
      Fail("the archive expands to more than " + std::to_string(limit >> 20) + " MB, more than a results table of its size holds");
    total += e.Size;
    at = extraEnd + commentLength;
    FIndex.emplace(Folded(e.Name), FEntries.size());  // the first of two same names wins
    FEntries.push_back(std::move(e));
  }
}

const TZipReader::TEntry* TZipReader::Find(const std::string& name) const {
  auto it = FIndex.find(Folded(name));
  return it == FIndex.end() ? nullptr : &FEntries[it->second];
}

bool TZipReader::Has(const std::string& name) const { return Find(name) != nullptr; }

std::uint64_t TZipReader::DeclaredSize(const std::string& name) const {
  const TEntry* e = Find(name);
  return e ? e->Size : 0;
}

std::vector<std::string> TZipReader::Names() const {
  std::vector<std::string> names;
  for (const TEntry& e : FEntries)
    if (Find(e.Name) == &e) names.push_back(e.Name);
  return names;
}

std::string TZipReader::Read(const std::string& name) const {
  std::string out;
  Read(name, [&](const char* data, std::size_t size) { out.append(data, size); });
  return out;
}

void TZipReader::Read(const std::string& name, const std::function<void(const char*, std::size_t)>& sink) const {
  const TEntry* e = Find(name);
  if (!e) Fail("the archive has no part " + name);
  const TBytes bytes(FData);
  if (bytes.U32(e->Offset) != LocalSignature) Fail(name + " is damaged");
  const std::uint64_t data = e->Offset + 30 + bytes.U16(e->Offset + 26) + bytes.U16(e->Offset + 28);
  if (e->Size > MaxEntrySize) Fail(name + " is too large");
  const unsigned char* packed = bytes.At(data, e->Packed);

  std::uint32_t crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
  std::uint64_t done = 0;
  auto deliver = [&](const unsigned char* piece, std::size_t size) {
    if (size > e->Size - done) Fail(name + " is damaged (its data is longer than its size)");
    crc = static_cast<std::uint32_t>(crc32_z(crc, piece, size));
    done += size;
    sink(reinterpret_cast<const char*>(piece), size);
  };
  if (e->Method == Stored) {
    if (e->Packed != e->Size) Fail(name + " is damaged");
    deliver(packed, e->Packed);
  } else if (e->Method == Deflated) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) Fail("cannot start decompression");
    // As large as the part (a megabyte at most) and never cleared: a workbook of thousands of small
    // sheets would otherwise fill a fresh megabyte for each, and the heap give it back and take it
    // again, every time.
    const std::size_t room = static_cast<std::size_t>(std::clamp<std::uint64_t>(e->Size + 1, 4096, 1 << 20));
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[room]);
    std::uint64_t inLeft = e->Packed;
    z.next_in = const_cast<Bytef*>(packed);
    int rc = Z_OK;
    try {
      while (rc == Z_OK) {
        const uInt inPiece = static_cast<uInt>(std::min<std::uint64_t>(inLeft, std::numeric_limits<uInt>::max()));
        z.avail_in = inPiece;
        z.next_out = buffer.get();
        z.avail_out = static_cast<uInt>(room);
        rc = inflate(&z, Z_NO_FLUSH);
        inLeft -= inPiece - z.avail_in;
        const std::size_t produced = room - z.avail_out;
        if (produced > 0) deliver(buffer.get(), produced);
        else if (rc == Z_OK && z.avail_in == inPiece) rc = Z_BUF_ERROR;  // no progress: the data ended early
      }
    } catch (...) {
      inflateEnd(&z);
      throw;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) Fail(name + " is damaged (its data does not inflate)");
  } else {
    Fail(name + " uses a compression method this program does not read");
  }
  if (done != e->Size) Fail(name + " is damaged (its data is shorter than its size)");
  if (crc != e->Crc) Fail(name + " is damaged (checksum mismatch)");
}
