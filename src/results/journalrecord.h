#pragma once
// The journal file's framing and field encoding.
//
// A journal file is the 8-byte magic "QXJOURNL", the format version (32-bit little-endian), then
// records. A record is its body length (32-bit LE), the body (a type byte and the fields), and the
// CRC-32 of length and body (32-bit LE), so a torn or damaged record is found and never misread.
// Fields: unsigned integers as LEB128 varints, doubles as their 8 bytes (LE bit pattern), texts as
// a varint byte count and UTF-8.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "results/journalcell.h"

class TJournalRecord {
 public:
  enum class TType : std::uint8_t {
    Header = 'H',       // rig folder, exercise number, exercise title, creation time
    RunAdded = 'N',     // name, run counter
    Row = 'R',          // sheet, row, cells
    RunsDeleted = 'D',  // first sheet, count
    RunRenamed = 'M',   // sheet, name
    RunFlag = 'U',      // sheet, unsaved (0 / 1)
    FileNamed = 'F',    // file name, file type
  };
  static constexpr char Magic[8] = {'Q', 'X', 'J', 'O', 'U', 'R', 'N', 'L'};
  static constexpr std::uint32_t FormatVersion = 1;
  static constexpr int PreambleBytes = 12;  // magic and version
  // A body longer than this is taken as damage, not as a record to allocate.
  static constexpr std::uint32_t MaxBodyBytes = 64u << 20;

  explicit TJournalRecord(TType type);
  void PutUInt(std::uint64_t value);
  void PutDouble(double value);
  void PutText(const QString& text);
  void PutCells(const std::vector<TJournalCell>& cells);
  // The record as it goes into the file, appended to `out`.
  void AppendFramed(QByteArray& out) const;
  static QByteArray Preamble();

  // Reading fields back from a body; any read past its end or malformed field clears Ok().
  class TReader {
   public:
    TReader(const char* data, std::size_t size) : FData(data), FSize(size) {}
    std::uint64_t UInt();
    int Int();  // a varint that must fit a non-negative int
    double Double();
    QString Text();
    std::vector<TJournalCell> Cells();
    // As Cells, into `out`, reusing its cells and their texts' room.
    void CellsInto(std::vector<TJournalCell>& out);
    // Passes over cells, checking them as Cells would.
    void SkipCells();
    bool Ok() const { return FOk; }
    bool AtEnd() const { return FPos == FSize; }
    std::size_t Position() const { return FPos; }

   private:
    bool Need(std::size_t n);
    void TextInto(QString& out);
    // The kind byte of the next cell; false (and not Ok) when there is none or it is unknown.
    bool Kind(TJournalCell::TKind& kind);
    const char* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
    bool FOk = true;
  };

  // The next record of `file` from `pos`: Complete moves `pos` past it and points `body` at it (type
  // byte first); End means `pos` is the file's end; Torn, a record cut short by the end of the
  // file; Damaged, a record whose length or checksum is wrong.
  enum class TFrame { Complete, End, Torn, Damaged };
  static TFrame Next(const QByteArray& file, qsizetype& pos, const char*& body, std::uint32_t& bodySize);

 private:
  QByteArray FBody;
};
