#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <zlib.h>

#include "workbook/zip/zipwriter.h"
#include "support/tempfolder.h"

namespace {

std::uint32_t Get16(const QByteArray& b, qsizetype at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::uint32_t Get32(const QByteArray& b, qsizetype at) { return Get16(b, at) | Get16(b, at + 2) << 16; }

struct TReadEntry {
  std::string Name;
  std::string Data;
};

// An independent reading of the archive, the way unzip tools go about it: the end record leads to
// the central directory, each directory entry to its local header, whose fields must agree; the
// data is inflated and its CRC checked.
std::vector<TReadEntry> ReadArchive(const QByteArray& zip) {
  std::vector<TReadEntry> entries;
  const qsizetype end = zip.size() - 22;
  if (end < 0 || Get32(zip, end) != 0x06054b50) throw std::runtime_error("no end record");
  const std::uint32_t count = Get16(zip, end + 10);
  const std::uint32_t directorySize = Get32(zip, end + 12);
  qsizetype at = Get32(zip, end + 16);
  if (at + directorySize != static_cast<std::uint32_t>(end)) throw std::runtime_error("directory misplaced");
  for (std::uint32_t i = 0; i < count; ++i) {
    if (Get32(zip, at) != 0x02014b50) throw std::runtime_error("bad directory entry");
    const std::uint32_t crc = Get32(zip, at + 16), packed = Get32(zip, at + 20), size = Get32(zip, at + 24);
    const std::uint32_t nameLength = Get16(zip, at + 28), extra = Get16(zip, at + 30), comment = Get16(zip, at + 32);
    const std::uint32_t offset = Get32(zip, at + 42);
    const std::string name = zip.mid(at + 46, nameLength).toStdString();
    at += 46 + nameLength + extra + comment;

    if (Get32(zip, offset) != 0x04034b50) throw std::runtime_error("bad local header for " + name);
    if (Get16(zip, offset + 8) != 8) throw std::runtime_error("not deflated: " + name);
    if (Get32(zip, offset + 14) != crc || Get32(zip, offset + 18) != packed || Get32(zip, offset + 22) != size)
      throw std::runtime_error("local header disagrees with the directory for " + name);
    if (zip.mid(offset + 30, Get16(zip, offset + 26)).toStdString() != name) throw std::runtime_error("name differs");
    const qsizetype data = offset + 30 + Get16(zip, offset + 26) + Get16(zip, offset + 28);

    std::string out(size, '\0');
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.constData() + data));
    z.avail_in = packed;
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = size;
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END || z.avail_in != 0 || z.avail_out != 0) throw std::runtime_error("bad data for " + name);
    if (crc32(0, reinterpret_cast<const Bytef*>(out.data()), size) != crc) throw std::runtime_error("bad CRC for " + name);
    entries.push_back({name, out});
  }
  return entries;
}

TEST(ZipWriter, EntriesReadBackExactlyThroughAnIndependentReader) {
  TTempFolder dir;
  QFile file(dir.File("a.zip"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  // Poorly compressible data larger than the writer's buffers, so output arrives in many pieces.
  std::mt19937 random(7);
  std::string big;
  for (int i = 0; i < 3'000'000; ++i) big.push_back(static_cast<char>(random()));
  std::string repetitive;
  for (int i = 0; i < 100000; ++i) repetitive += "<c r=\"A" + std::to_string(i) + "\"><v>1.5</v></c>";
  {
    TZipWriter zip(file, 1);
    zip.BeginEntry("[Content_Types].xml");
    zip.Write("<Types/>");
    zip.EndEntry();
    zip.BeginEntry("empty");
    zip.EndEntry();
    zip.BeginEntry("dir/big.bin");
    for (std::size_t at = 0; at < big.size(); at += 100000) zip.Write(big.data() + at, std::min<std::size_t>(100000, big.size() - at));
    zip.EndEntry();
    zip.BeginEntry("sheet.xml");
    zip.Write(repetitive);
    zip.Finish();  // closes the open entry
  }
  file.close();
  const QByteArray bytes = TTempFolder::Read(dir.File("a.zip"));
  EXPECT_LT(bytes.size(), static_cast<qsizetype>(big.size() + repetitive.size() / 5));

  const std::vector<TReadEntry> entries = ReadArchive(bytes);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].Name, "[Content_Types].xml");
  EXPECT_EQ(entries[0].Data, "<Types/>");
  EXPECT_EQ(entries[1].Name, "empty");
  EXPECT_EQ(entries[1].Data, "");
  EXPECT_EQ(entries[2].Name, "dir/big.bin");
  EXPECT_TRUE(entries[2].Data == big);
  EXPECT_EQ(entries[3].Name, "sheet.xml");
  EXPECT_TRUE(entries[3].Data == repetitive);
}

// A large entry is deflated in pieces side by side; joined, they must read as one stream, at every
// size around a piece's, and each piece must refer back into the one before it as a single stream would.
TEST(ZipWriter, AnEntryDeflatedInPiecesReadsAsOneStreamAndCompressesAsOne) {
  std::mt19937 random(11);
  std::string block;
  for (int i = 0; i < 20000; ++i) block.push_back(static_cast<char>(random()));
  std::string repeated;
  while (repeated.size() < (std::size_t(4) << 20)) repeated += block;
  const std::size_t piece = 1 << 20;
  std::vector<std::string> entries;
  for (const std::size_t size : {piece - 1, piece, piece + 1, 2 * piece, 3 * piece + 7}) entries.push_back(repeated.substr(0, size));
  entries.push_back(repeated);

  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  std::vector<qint64> ends;
  {
    TZipWriter zip(device, 1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      zip.BeginEntry("e" + std::to_string(i));
      // In one write, and in writes that straddle the pieces' edges.
      if (i % 2 == 0) zip.Write(entries[i]);
      else
        for (std::size_t at = 0; at < entries[i].size(); at += 333333) zip.Write(entries[i].data() + at, std::min<std::size_t>(333333, entries[i].size() - at));
      zip.EndEntry();
      ends.push_back(device.pos());
    }
    zip.Finish();
  }
  const std::vector<TReadEntry> read = ReadArchive(bytes);
  ASSERT_EQ(read.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_TRUE(read[i].Data == entries[i]) << "entry of " << entries[i].size() << " bytes";
  // 4 MiB of one 20 000-byte block repeated: as small as one stream makes it, give or take the
  // pieces' joins. A piece that could not refer back would pay for the block again.
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string one(deflateBound(&z, static_cast<uLong>(repeated.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(repeated.data());
  z.avail_in = static_cast<uInt>(repeated.size());
  z.next_out = reinterpret_cast<Bytef*>(one.data());
  z.avail_out = static_cast<uInt>(one.size());
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  const auto single = static_cast<qint64>(z.total_out);
  deflateEnd(&z);
  EXPECT_LT(ends.back() - ends[ends.size() - 2], single + single / 10 + 100) << "one stream: " << single;
}

TEST(ZipWriter, MisuseIsRefusedRatherThanWritingABrokenArchive) {
  TTempFolder dir;
  QFile file(dir.File("b.zip"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  TZipWriter zip(file, 6);
  EXPECT_THROW(zip.Write("x", 1), std::runtime_error);  // no entry open
  EXPECT_THROW(zip.EndEntry(), std::runtime_error);
  EXPECT_THROW(zip.BeginEntry(""), std::runtime_error);
  zip.BeginEntry("a");
  EXPECT_THROW(zip.BeginEntry("b"), std::runtime_error);

  QFile started(dir.File("c.zip"));
  ASSERT_TRUE(started.open(QIODevice::WriteOnly));
  started.write("junk");
  EXPECT_THROW(TZipWriter(started, 1), std::runtime_error);  // would put offsets out of step
}

TEST(ZipWriter, AFullDeviceIsAnError) {
  QByteArray small;
  QBuffer device(&small);
  ASSERT_TRUE(device.open(QIODevice::WriteOnly));
  TZipWriter zip(device, 1);
  zip.BeginEntry("x");
  device.close();  // writes now fail, as on a full disk
  std::string data(1 << 20, 'a');
  EXPECT_THROW({ zip.Write(data); zip.EndEntry(); }, std::runtime_error);
}

}  // namespace
