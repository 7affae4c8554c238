#pragma once
// The 100-source rig of the tick benchmarks, in a temporary folder: 40 analogue inputs, 30 manual
// inputs, 20 digital inputs and 10 fixed values; each analogue and manual input writes a column of
// the sample row, and 30 formula columns follow them. A driver with no devices leaves every value
// at zero. Registers the rig and the sample row for its life.

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include "acquisition/isampletable.h"
#include "acquisition/qxdatalist.h"
#include "ifd/qxifd.h"

#include "ifd/legacy/ilegacydriver.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

class TNoDevices : public ILegacyDriver {
 public:
  THandle CreateFile(const QString&) override { return 0; }
  bool DeviceIoControl(THandle, std::uint32_t, const QByteArray&, int, QByteArray&) override { return false; }
  void CloseHandle(THandle) override {}
};

struct THundredSourceRig {
  THundredSourceRig() : Rig(&Book1, &Book2, nullptr) {
    qputenv("XDG_CONFIG_HOME", Dir.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", Dir.filePath("data").toLocal8Bit());
    QDir().mkpath(Dir.filePath("config"));
    std::vector<std::vector<double>> rows, cal;
    for (int i = 0; i < 100; ++i) {
      const int kind = i < 40 ? 4 : i < 70 ? 5 : i < 90 ? 12 : 1;
      const int column = i < 70 ? i + 1 : 0;
      rows.push_back({double(kind), double(column), double(i % 16), 1.5, 0, 0, 0, 0});
    }
    for (int ch = 0; ch < 16; ++ch) cal.push_back({double(ch), 0, -5, 50, 0, 100, 5});
    WriteSheet(Dir.filePath("config/datasrc.vts"), rows);
    WriteSheet(Dir.filePath("config/ifdsrc.vts"), cal);
    // Rows 2 (the sample row) and 3 (the data-row pattern of the results table).
    Sample.SetMaxCol(100);
    for (int r = 2; r <= 3; ++r)
      for (int c = 71; c <= 100; ++c) Sample.SetFormulaRC(r, c, QStringLiteral("=A%1*%2+B%1").arg(r).arg(c));
    Rig.PathName = Dir.path() + "/";
    Rig.DataSrc_Spreadsheet = Dir.filePath("config/datasrc.vts");
    Rig.IFDSrc_Spreadsheet = Dir.filePath("config/ifdsrc.vts");
    Rig.Using_IFD = true;
    TServices::SetRig(&Rig);
    TServices::SetSampleBook(&Sample);
  }
  ~THundredSourceRig() {
    TServices::SetSampleBook(nullptr);
    TServices::SetRig(nullptr);
  }

  static void WriteSheet(const QString& path, const std::vector<std::vector<double>>& rows) {
    TWorkbook book;
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        book.SetNumberRC(static_cast<int>(r + 1), static_cast<int>(c + 1), rows[r][c]);
    book.Write(path, TWorkbook::ftNative3);
  }

  QTemporaryDir Dir;
  TWorkbook Book1, Book2, Sample;
  TRigConfig Rig;
  TNoDevices Driver;
};

// The rig's sources built on its driver without devices and writing into no table: Tick() is one
// logger tick with the display off (the facade's sampling step and Update_All_Sources).
struct THundredSourceTick {
  class TNoTable : public ISampleTable {
   public:
    void WriteRow(TWorkbook&, int, int) override {}
    void DataChanged(int) override {}
    void RedrawGraph() override {}
    void WriteCaptureRun(const TCapturedRun&) override {}
  };
  THundredSourceTick() { List.Initialise(Bench.Rig, &Table); }
  void Tick() {
    Ifd.SampleNow();
    List.Update_All_Sources(false, 1, 0);
  }

  THundredSourceRig Bench;
  TQXIFD Ifd{nullptr, nullptr, &Bench.Driver};
  QWidget Panel;
  TNoTable Table;
  TQXDataList List{&Panel};
};
