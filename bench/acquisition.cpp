// One logger tick on a 100-source rig with the display off: the facade's sampling step and
// Update_All_Sources writing every source into the sample row with its formulas following.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include "acquisition/isampletable.h"
#include "acquisition/qxdatalist.h"
#include "ifd/legacy/ilegacydriver.h"
#include "ifd/qxifd.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
// A driver with no devices: the legacy path finds nothing and values stay at zero.
class TNoDevices : public ILegacyDriver {
 public:
  THandle CreateFile(const QString&) override { return 0; }
  bool DeviceIoControl(THandle, std::uint32_t, const QByteArray&, int, QByteArray&) override { return false; }
  void CloseHandle(THandle) override {}
};

class TNoTable : public ISampleTable {
 public:
  void WriteRow(TWorkbook&, int, int) override {}
  void DataChanged(int) override {}
  void RedrawGraph() override {}
};

void WriteSheet(const QString& path, const std::vector<std::vector<double>>& rows) {
  TWorkbook book;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) book.SetNumberRC(static_cast<int>(r + 1), static_cast<int>(c + 1), rows[r][c]);
  book.Write(path, TWorkbook::ftNative3);
}
}  // namespace

static void BM_LoggerTick100Sources(benchmark::State& state) {
  int argc = 1;
  char name[] = "bench";
  char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
  QDir().mkpath(dir.filePath("config"));
  // 100 sources: 40 analogue inputs, 30 manual inputs, 20 digital inputs, 10 fixed values; each
  // analogue input and manual input writes a column, and 30 formulas follow them.
  std::vector<std::vector<double>> rows, cal;
  for (int i = 0; i < 100; ++i) {
    const int kind = i < 40 ? 4 : i < 70 ? 5 : i < 90 ? 12 : 1;
    const int column = i < 70 ? i + 1 : 0;
    rows.push_back({double(kind), double(column), double(i % 16), 1.5, 0, 0, 0, 0});
  }
  for (int ch = 0; ch < 16; ++ch) cal.push_back({double(ch), 0, -5, 50, 0, 100, 5});
  WriteSheet(dir.filePath("config/datasrc.vts"), rows);
  WriteSheet(dir.filePath("config/ifdsrc.vts"), cal);
  TWorkbook book1, book2, sample;
  for (int c = 71; c <= 100; ++c) sample.SetFormulaRC(2, c, QStringLiteral("=A2*%1+B2").arg(c));
  TRigConfig rig(&book1, &book2, nullptr);
  rig.PathName = dir.path() + "/";
  rig.DataSrc_Spreadsheet = dir.filePath("config/datasrc.vts");
  rig.IFDSrc_Spreadsheet = dir.filePath("config/ifdsrc.vts");
  rig.Using_IFD = true;
  TServices::SetRig(&rig);
  TServices::SetSampleBook(&sample);
  TNoDevices driver;
  TQXIFD ifd(nullptr, nullptr, &driver);
  QWidget panel;
  TNoTable table;
  TQXDataList list(&panel);
  list.Initialise(rig, &table);
  if (list.Sources().size() != 100) state.SkipWithError("the rig did not build 100 sources");
  for (auto _ : state) {
    ifd.SampleNow();
    list.Update_All_Sources(false, 1, 0);
  }
  state.counters["sources"] = static_cast<double>(list.Sources().size());
  TServices::SetSampleBook(nullptr);
  TServices::SetRig(nullptr);
}
BENCHMARK(BM_LoggerTick100Sources)->Unit(benchmark::kMicrosecond);
