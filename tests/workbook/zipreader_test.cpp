#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QBuffer>
#include <QtEndian>

#include "workbook/zip/ziplimits.h"
#include "workbook/zip/zipreader.h"
#include "workbook/zip/zipwriter.h"

namespace {

QByteArray Archive(int entries) {
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  TZipWriter zip(device, 6);
  for (int i = 0; i < entries; ++i) {
    zip.BeginEntry("part" + std::to_string(i) + ".xml");
    zip.Write("<part/>");
    zip.EndEntry();
  }
  zip.Finish();
  return bytes;
}

// The offsets of the central directory records, found through the end record as any reader would.
std::vector<qsizetype> DirectoryRecords(const QByteArray& zip) {
  const qsizetype end = zip.size() - 22;
  const auto* raw = reinterpret_cast<const uchar*>(zip.constData());
  const int count = qFromLittleEndian<quint16>(raw + end + 10);
  qsizetype at = qFromLittleEndian<quint32>(raw + end + 16);
  std::vector<qsizetype> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(at);
    at += 46 + qFromLittleEndian<quint16>(raw + at + 28) + qFromLittleEndian<quint16>(raw + at + 30) +
          qFromLittleEndian<quint16>(raw + at + 32);
  }
  return records;
}

// Makes the directory declare an entry's uncompressed size as size.
void DeclareSize(QByteArray& zip, qsizetype record, std::uint32_t size) {
  qToLittleEndian<quint32>(size, zip.data() + record + 24);
}

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "accepted";
}

}  // namespace

TEST(ZipReader, HostileSizesAndCountsAreRefusedBeforeAnythingIsInflated) {
  using namespace ziplimits;
  const QByteArray sound = Archive(9);
  EXPECT_EQ(TZipReader(sound).Read("PART8.xml"), "<part/>");  // names compare without case

  // A small archive may expand to BaseExpansion in all, however its entries share it: exactly at
  // the bound it opens, one byte beyond it is refused on opening, before anything is inflated.
  static_assert(MaxTotalExpansion(1 << 20) == BaseExpansion && MaxTotalExpansion(std::uint64_t(10) << 20) == (std::uint64_t(160) << 20));
  static_assert(MaxTotalExpansion(std::uint64_t(1) << 40) == MaxExpansion);
  const std::vector<qsizetype> records = DirectoryRecords(sound);
  const std::uint64_t rest = (records.size() - 2) * std::string("<part/>").size();  // the entries left as written
  QByteArray atLimit = sound, beyond = sound, oneHuge = sound;
  DeclareSize(atLimit, records[0], static_cast<std::uint32_t>(BaseExpansion / 2));
  DeclareSize(atLimit, records[1], static_cast<std::uint32_t>(BaseExpansion / 2 - rest));
  EXPECT_EQ(Failure([&] { TZipReader reader(atLimit); }), "accepted");
  DeclareSize(beyond, records[0], static_cast<std::uint32_t>(BaseExpansion / 2));
  DeclareSize(beyond, records[1], static_cast<std::uint32_t>(BaseExpansion / 2 - rest + 1));
  EXPECT_EQ(Failure([&] { TZipReader reader(beyond); }), "the archive expands to more than 96 MB, more than a results table of its size holds");
  DeclareSize(oneHuge, records[0], static_cast<std::uint32_t>(MaxEntrySize + 1));
  EXPECT_NE(Failure([&] { TZipReader reader(oneHuge); }), "accepted");

  // Entry count: a count the directory's size cannot hold is damage, not a reason to reserve memory.
  QByteArray counted = sound;
  const qsizetype end = counted.size() - 22;
  const auto directorySize = qFromLittleEndian<quint32>(counted.constData() + end + 12);
  const auto tooMany = static_cast<quint16>(MaxEntries(directorySize) + 1);
  qToLittleEndian<quint16>(tooMany, counted.data() + end + 8);
  qToLittleEndian<quint16>(tooMany, counted.data() + end + 10);
  EXPECT_EQ(Failure([&] { TZipReader reader(counted); }), "the archive's directory is damaged");
}

TEST(ZipReader, APartReadsWholeWhateverItsSizeAndAWrongDeclaredSizeIsDamage) {
  // Sizes around the reader's smallest and largest pieces, in data that does not compress away.
  std::vector<std::string> parts;
  std::uint32_t state = 7;
  for (const std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(4095), std::size_t(4096), std::size_t(4097),
                                 std::size_t(1) << 20, (std::size_t(1) << 20) + 1, std::size_t(3) << 20}) {
    std::string part(size, '\0');
    for (char& c : part) c = static_cast<char>('a' + (state = state * 1103515245u + 12345u) % 26);
    parts.push_back(part);
  }
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  TZipWriter zip(device, 6);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    zip.BeginEntry("p" + std::to_string(i));
    zip.Write(parts[i]);
    zip.EndEntry();
  }
  zip.Finish();
  const TZipReader reader(bytes);
  for (std::size_t i = 0; i < parts.size(); ++i) EXPECT_TRUE(reader.Read("p" + std::to_string(i)) == parts[i]) << "part of " << parts[i].size() << " bytes";

  // A directory that tells a part's size wrong, either way, is damage, however small or large it says.
  const std::vector<qsizetype> records = DirectoryRecords(bytes);
  const struct { std::size_t Part; std::uint32_t Declared; const char* Failure; } wrong[] = {
      {2, 0, "p2 is damaged (its data is longer than its size)"},
      {2, 4094, "p2 is damaged (its data is longer than its size)"},
      {2, 4096, "p2 is damaged (its data is shorter than its size)"},
      {7, 1 << 20, "p7 is damaged (its data is longer than its size)"},
      {1, 1 << 20, "p1 is damaged (its data is shorter than its size)"},
  };
  for (const auto& w : wrong) {
    QByteArray damaged = bytes;
    DeclareSize(damaged, records[w.Part], w.Declared);
    EXPECT_EQ(Failure([&] { TZipReader(damaged).Read("p" + std::to_string(w.Part)); }), w.Failure) << w.Declared;
  }
}
