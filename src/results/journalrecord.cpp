#include "results/journalrecord.h"

#include <bit>

#include <QtEndian>
#include <zlib.h>

namespace {

void PutLE32(QByteArray& out, std::uint32_t v) {
  char b[4];
  qToLittleEndian<quint32>(v, b);
  out.append(b, 4);
}

std::uint32_t Crc(const char* data, std::size_t size) {
  return static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

}  // namespace

TJournalRecord::TJournalRecord(TType type) {
  FBody.reserve(128);
  FBody.append(static_cast<char>(type));
}

void TJournalRecord::PutUInt(std::uint64_t value) {
  do {
    const auto low = static_cast<char>(value & 0x7F);
    value >>= 7;
    FBody.append(value ? static_cast<char>(low | 0x80) : low);
  } while (value);
}

void TJournalRecord::PutDouble(double value) {
  char b[8];
  qToLittleEndian<quint64>(std::bit_cast<std::uint64_t>(value), b);
  FBody.append(b, 8);
}

void TJournalRecord::PutText(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  PutUInt(static_cast<std::uint64_t>(utf8.size()));
  FBody.append(utf8);
}

void TJournalRecord::PutCells(const std::vector<TJournalCell>& cells) {
  // Trailing empty cells carry nothing: the row is as long as its last filled cell.
  std::size_t count = cells.size();
  while (count > 0 && cells[count - 1].Kind == TJournalCell::TKind::Empty) --count;
  PutUInt(count);
  for (std::size_t i = 0; i < count; ++i) {
    const TJournalCell& c = cells[i];
    FBody.append(static_cast<char>(c.Kind));
    switch (c.Kind) {
      case TJournalCell::TKind::Empty: break;
      case TJournalCell::TKind::Number: PutDouble(c.Num); break;
      case TJournalCell::TKind::Text:
      case TJournalCell::TKind::Formula: PutText(c.Text); break;
      case TJournalCell::TKind::Error: PutUInt(static_cast<std::uint64_t>(c.Num)); break;
    }
  }
}

void TJournalRecord::AppendFramed(QByteArray& out) const {
  const qsizetype start = out.size();
  PutLE32(out, static_cast<std::uint32_t>(FBody.size()));
  out.append(FBody);
  PutLE32(out, Crc(out.constData() + start, static_cast<std::size_t>(out.size() - start)));
}

QByteArray TJournalRecord::Preamble() {
  QByteArray out(Magic, sizeof Magic);
  PutLE32(out, FormatVersion);
  return out;
}

TJournalRecord::TFrame TJournalRecord::Next(const QByteArray& file, qsizetype& pos, const char*& body,
                                            std::uint32_t& bodySize) {
  const qsizetype left = file.size() - pos;
  if (left == 0) return TFrame::End;
  if (left < 4) return TFrame::Torn;
  const std::uint32_t size = qFromLittleEndian<quint32>(file.constData() + pos);
  if (size == 0 || size > MaxBodyBytes) return TFrame::Damaged;
  if (left < qsizetype(size) + 8) return TFrame::Torn;
  const char* start = file.constData() + pos;
  if (qFromLittleEndian<quint32>(start + 4 + size) != Crc(start, 4 + size)) return TFrame::Damaged;
  body = start + 4;
  bodySize = size;
  pos += qsizetype(size) + 8;
  return TFrame::Complete;
}

// ---------------------------------------------------------------------------------- reading

bool TJournalRecord::TReader::Need(std::size_t n) {
  if (!FOk || FSize - FPos < n) FOk = false;
  return FOk;
}

std::uint64_t TJournalRecord::TReader::UInt() {
  std::uint64_t value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (!Need(1)) return 0;
    const auto byte = static_cast<unsigned char>(FData[FPos++]);
    value |= std::uint64_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return value;
  }
  FOk = false;
  return 0;
}

int TJournalRecord::TReader::Int() {
  const std::uint64_t v = UInt();
  if (v > 0x7FFFFFFF) FOk = false;
  return FOk ? static_cast<int>(v) : 0;
}

double TJournalRecord::TReader::Double() {
  if (!Need(8)) return 0;
  const auto bits = qFromLittleEndian<quint64>(FData + FPos);
  FPos += 8;
  return std::bit_cast<double>(bits);
}

QString TJournalRecord::TReader::Text() {
  const std::uint64_t n = UInt();
  if (!Need(n)) return {};
  const QString s = QString::fromUtf8(FData + FPos, static_cast<qsizetype>(n));
  FPos += n;
  return s;
}

void TJournalRecord::TReader::TextInto(QString& out) {
  const std::uint64_t n = UInt();
  if (!Need(n)) {
    out.resize(0);
    return;
  }
  const char* p = FData + FPos;
  FPos += n;
  // Formulas and most notes are plain ASCII: copied into the text's own room, no decoding.
  for (std::uint64_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) >= 0x80) {
      out = QString::fromUtf8(p, static_cast<qsizetype>(n));
      return;
    }
  out.resize(static_cast<qsizetype>(n));
  QChar* to = out.data();
  for (std::uint64_t i = 0; i < n; ++i) to[i] = QLatin1Char(p[i]);
}

bool TJournalRecord::TReader::Kind(TJournalCell::TKind& kind) {
  if (!Need(1)) return false;
  const auto byte = static_cast<std::uint8_t>(FData[FPos++]);
  if (byte > static_cast<std::uint8_t>(TJournalCell::TKind::Error)) FOk = false;
  kind = static_cast<TJournalCell::TKind>(byte);
  return FOk;
}

std::vector<TJournalCell> TJournalRecord::TReader::Cells() {
  std::vector<TJournalCell> cells;
  CellsInto(cells);
  return cells;
}

void TJournalRecord::TReader::CellsInto(std::vector<TJournalCell>& cells) {
  const std::uint64_t count = UInt();
  // Every cell takes at least its kind byte: a count beyond the body is damage.
  if (!Need(count)) {
    cells.clear();
    return;
  }
  cells.resize(count);
  for (TJournalCell& c : cells) {
    if (!Kind(c.Kind)) break;
    c.Num = 0;
    switch (c.Kind) {
      case TJournalCell::TKind::Empty: break;
      case TJournalCell::TKind::Number: c.Num = Double(); break;
      case TJournalCell::TKind::Text:
      case TJournalCell::TKind::Formula: TextInto(c.Text); continue;
      case TJournalCell::TKind::Error: c.Num = static_cast<double>(UInt()); break;
    }
    if (!c.Text.isEmpty()) c.Text.resize(0);
  }
  if (!FOk) cells.clear();
}

void TJournalRecord::TReader::SkipCells() {
  const std::uint64_t count = UInt();
  if (!Need(count)) return;
  for (std::uint64_t i = 0; i < count; ++i) {
    TJournalCell::TKind kind;
    if (!Kind(kind)) return;
    switch (kind) {
      case TJournalCell::TKind::Empty: break;
      case TJournalCell::TKind::Number:
        if (Need(8)) FPos += 8;
        break;
      case TJournalCell::TKind::Text:
      case TJournalCell::TKind::Formula: {
        const std::uint64_t n = UInt();
        if (Need(n)) FPos += n;
        break;
      }
      case TJournalCell::TKind::Error: UInt(); break;
    }
    if (!FOk) return;
  }
}
