#include "results/journalreader.h"

#include <cstring>
#include <memory>

#include <QFile>
#include <QtEndian>

namespace {
// Damage at `at` that can only be the last write, half on the disk when the power went: zeros up
// to the end (the file grew before its data landed), or a record whose length reaches exactly to
// the end of the file.
bool LastWrite(const QByteArray& file, qsizetype at) {
  bool zeros = true;
  for (qsizetype i = at; i < file.size() && zeros; ++i) zeros = file[i] == 0;
  if (zeros) return true;
  const std::uint64_t size = qFromLittleEndian<quint32>(file.constData() + at);
  return at + 8 + static_cast<qsizetype>(size) == file.size();
}
}  // namespace

TJournalReader::TResult TJournalReader::Read(const QString& path) {
  TResult result;
  auto f = std::make_shared<QFile>(path);
  if (!f->open(QIODevice::ReadOnly)) {
    result.Problem = f->errorString();
    return result;
  }
  // Mapped, a journal of a long session is read in place: nothing is copied, and the rows rebuilt
  // can leave memory while the table fills. Read into memory where it cannot be mapped.
  QByteArray file;
  std::shared_ptr<const QFile> mapping;
  const qint64 length = f->size();
  if (uchar* bytes = length > 0 ? f->map(0, length, QFileDevice::MapPrivateOption) : nullptr) {
    file = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
    mapping = f;
  } else {
    file = f->readAll();
    if (f->error() != QFileDevice::NoError) {
      result.Problem = f->errorString();
      return result;
    }
  }
  if (file.size() < TJournalRecord::PreambleBytes ||
      std::memcmp(file.constData(), TJournalRecord::Magic, sizeof TJournalRecord::Magic) != 0) {
    result.Problem = QStringLiteral("it does not start as a sample journal");
    return result;
  }
  result.Version = qFromLittleEndian<quint32>(file.constData() + sizeof TJournalRecord::Magic);
  if (result.Version > TJournalRecord::FormatVersion) {
    result.Status = TStatus::NewerFormat;
    return result;
  }
  if (result.Version == 0) {
    result.Problem = QStringLiteral("its format number is 0");
    return result;
  }

  qsizetype pos = TJournalRecord::PreambleBytes;
  const char* body = nullptr;
  std::uint32_t size = 0;
  if (TJournalRecord::Next(file, pos, body, size) != TJournalRecord::TFrame::Complete ||
      static_cast<TJournalRecord::TType>(static_cast<unsigned char>(body[0])) != TJournalRecord::TType::Header) {
    result.Problem = QStringLiteral("its header is missing or damaged");
    return result;
  }
  TJournalRecord::TReader header(body + 1, size - 1);
  result.RigFolder = header.Text();
  result.Exercise = header.Int();
  result.ExerciseTitle = header.Text();
  result.Created = header.Double();
  if (!header.Ok()) {
    result.Problem = QStringLiteral("its header is damaged");
    return result;
  }

  result.Status = TStatus::Read;
  // The rows stay where they are in the file's bytes, which the state keeps.
  result.State = TJournalState(file, mapping);
  ReadRecords(path, file, pos, result);
  // Read through once; the rows come back from the file as the table is rebuilt.
  result.State.LetGo();
  return result;
}

void TJournalReader::ReadRecords(const QString& path, const QByteArray& file, qsizetype pos, TResult& result) {
  const char* body = nullptr;
  std::uint32_t size = 0;
  int record = 1;
  // Read whole up to `at`: a table rebuilt from it may go on journalling in this file, cut there.
  auto whole = [&](qsizetype at) {
    if (result.Version != TJournalRecord::FormatVersion) return;
    result.State.Source = path;
    result.State.WholeBytes = at;
  };
  for (;;) {
    const qsizetype at = pos;
    switch (TJournalRecord::Next(file, pos, body, size)) {
      case TJournalRecord::TFrame::End: whole(at); return;
      case TJournalRecord::TFrame::Torn:
        result.TornTail = true;
        whole(at);
        return;
      case TJournalRecord::TFrame::Damaged:
        if (LastWrite(file, at)) {
          result.TornTail = true;
          whole(at);
          return;
        }
        result.Status = TStatus::Damaged;
        result.Problem = QStringLiteral("record %1 (byte %2) is damaged").arg(record + 1).arg(at);
        return;
      case TJournalRecord::TFrame::Complete:
        ++record;
        if (!result.State.Apply(body, size)) {
          result.Status = TStatus::Damaged;
          result.Problem = QStringLiteral("record %1 (byte %2) does not fit the table before it").arg(record).arg(at);
          return;
        }
        break;
    }
  }
}
