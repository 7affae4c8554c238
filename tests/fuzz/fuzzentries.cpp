#include "fuzzentries.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include "ifd/legacy/socketdriver.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/replycollector.h"
#include "rigconfig/inistore.h"
#include "workbook/formats/delimitedtext.h"
#include "workbook/formats/nativefile.h"
#include "workbook/formats/odsimport.h"
#include "workbook/formats/xlsximport.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

namespace {

QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Reads back what a loaded workbook holds, so lazily broken state is touched too.
void Touch(TWorkbook& book) {
  for (int s = 1; s <= book.NumSheets(); ++s) {
    book.SetSheet(s);
    const int lastRow = std::min(book.LastRow(), 50), lastCol = std::min(book.LastCol(), 50);
    for (int r = 1; r <= lastRow; ++r)
      for (int c = 1; c <= lastCol; ++c) (void)book.FormattedTextRC(r, c);
  }
}

template <typename F>
void Load(F read) {
  try {
    TWorkbook book = read();
    Touch(book);
  } catch (const EWorkbookError&) {
  }
}

QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

}  // namespace

const std::vector<TFuzzEntries::TTarget>& TFuzzEntries::Targets() {
  static const std::vector<TTarget> targets = {
      {"xlsx", Xlsx}, {"ods", Ods}, {"vts", Vts}, {"text", Text}, {"formula", Formula},
      {"ini", Ini}, {"serialreply", SerialReply}, {"legacyanswer", LegacyAnswer}};
  return targets;
}

TFuzzEntries::TEntry TFuzzEntries::Find(const std::string& name) {
  for (const TTarget& t : Targets())
    if (name == t.Name) return t.Run;
  return nullptr;
}

void TFuzzEntries::Xlsx(const std::uint8_t* data, std::size_t size) {
  Load([&] { return TXlsxImport::Read("fuzz.xlsx", Bytes(data, size)); });
}

void TFuzzEntries::Ods(const std::uint8_t* data, std::size_t size) {
  Load([&] { return TOdsImport::Read("fuzz.ods", Bytes(data, size)); });
}

void TFuzzEntries::Vts(const std::uint8_t* data, std::size_t size) {
  Load([&] { return TNativeFile::Read("fuzz.vts", Bytes(data, size)); });
}

// The first byte picks the separator.
void TFuzzEntries::Text(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const char separator = data[0] & 1 ? ',' : '\t';
  Load([&] { return TDelimitedText::Read("fuzz.txt", Bytes(data + 1, size - 1), separator); });
}

// A formula over a few cells of each kind, then the cells it reads change so it runs again.
void TFuzzEntries::Formula(const std::uint8_t* data, std::size_t size) {
  TWorkbook book;
  book.SetNumberRC(1, 1, 2.5);
  book.SetTextRC(1, 2, "12");
  book.SetTextRC(1, 3, "text");
  book.SetFormulaRC(1, 4, "=1/0");
  book.SetNumberRC(2, 1, -1e300);
  try {
    book.SetFormulaRC(3, 3, "=" + QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  } catch (const EWorkbookError&) {
    return;
  }
  (void)book.FormattedTextRC(3, 3);
  book.SetNumberRC(1, 1, 0);
  book.SetTextRC(1, 3, "");
  book.CopyRange(4, 4, 5, 5, book, 3, 3, 3, 3);
  book.RecalcAll();
  (void)book.TextRC(5, 5);
}

void TFuzzEntries::Ini(const std::uint8_t* data, std::size_t size) {
  const QString path = Scratch().filePath("fuzz.ini");
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  TIniStore store(path);
  for (const QString& section : store.Sections())
    for (const QString& key : store.Keys(section)) {
      (void)store.ReadInteger(section, key, 0);
      (void)store.ReadBool(section, key, false);
    }
  store.WriteString("Fuzz", "Key", "value");
  (void)store.UpdateFile();
}

// Bytes arriving on a port with the card's 34 reply terminators registered, in two pieces (the
// first byte says where the line splits them), through the logging mode's reply collector.
void TFuzzEntries::SerialReply(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  TApdComPortEx port;
  port.SetName("COM1");
  TDataTriggerRep& rep = TDataTriggerRep::ForPort(port);
  rep.regTriggers();
  rep.SetCollectorSize(data[0] & 1 ? TIFDInputMode::DIFF : TIFDInputMode::SE);
  TReplyCollector collector(data[0] & 2);
  collector.SetVexaMode(data[0] & 4);
  port.SetOnDataAvail([&](TApdComPortEx& p, const QByteArray& bytes) { collector.BytesReceived(p, bytes); });
  port.SetOnTriggerAvail([&](TApdComPortEx& p, std::uint16_t handle) { collector.TriggerMatched(p, handle); });
  const QByteArray bytes = Bytes(data + 1, size - 1);
  const qsizetype split = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);
  port.ReceiveBytes(bytes.left(split));
  port.ReceiveBytes(bytes.mid(split));
  TDataTriggerRep::Forget(&port);
}

// A device answering one control call with the given bytes (the first two set the size asked
// for); a short answer costs the driver's timeout, kept small here.
void TFuzzEntries::LegacyAnswer(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > 65536) return;
  static QLocalServer* server = [] {
    auto* s = new QLocalServer;
    s->listen(Scratch().filePath("FuzzDev0"));
    return s;
  }();
  if (!server->isListening()) return;
  TSocketDriver driver(Scratch().path(), 20);
  const auto handle = driver.CreateFile(QStringLiteral("\\\\.\\FuzzDev0"));
  if (handle <= 0 || !server->waitForNewConnection(1000)) return;
  QLocalSocket* device = server->nextPendingConnection();
  device->write(reinterpret_cast<const char*>(data) + 4, static_cast<qint64>(size - 4));
  device->waitForBytesWritten(1000);
  const int outSize = static_cast<int>(data[0] | data[1] << 8) % 70000 - 100;
  QByteArray out;
  const bool ok = driver.DeviceIoControl(handle, 0x222004, QByteArray("in"), outSize, out);
  if (out.size() > std::max(outSize, 0) || (!ok && outSize < 0 && !out.isEmpty())) std::abort();  // never more than asked
  device->abort();
  delete device;
  driver.CloseHandle(handle);
}
