// Costs of the workbook engine on the paths the program leans on: a write into the sample row
// with its formulas following, a full recalculation, and saving and reopening a large results
// table as .vts and .xlsx, with the memory a stored row takes.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include "benchapplication.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/formats/xmlscanner.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/zip/zipreader.h"
#include "workbook/zip/zipwriter.h"

namespace {

// Row 2 as a run sheet has it: columns 1..10 take the sources' values, columns 11..40 hold 30
// formulas, each reading a written cell and the formula before it, so one write into A2 sets all
// 30 recomputing.
void BuildSampleRow(TWorkbook& book) {
  for (int c = 1; c <= 10; ++c) book.SetNumberRC(2, c, c);
  for (int c = 11; c <= 40; ++c) {
    const QString written = a1::ColumnName(1 + (c % 10));
    const QString prev = a1::ColumnName(c - 1);
    book.SetFormulaRC(2, c, QStringLiteral("=IF(%1>0,%2*1.5+A2/3,0)+SQRT(ABS(%1))").arg(written + "2", prev + "2"));
  }
  book.SetRow(2);
}

void BM_SampleRowWrite(benchmark::State& state) {
  TWorkbook book;
  BuildSampleRow(book);
  double v = 0;
  for (auto _ : state) {
    book.SetCol(1);
    book.SetNumber(v += 0.25);
    benchmark::DoNotOptimize(book.NumberRC(2, 40));
  }
  state.counters["formulas_run_per_write"] =
      static_cast<double>(book.EvaluationCount()) / static_cast<double>(state.iterations() + 30);
}
BENCHMARK(BM_SampleRowWrite);

void BM_SampleRowFullRecalc(benchmark::State& state) {
  TWorkbook book;
  BuildSampleRow(book);
  for (auto _ : state) book.RecalcAll();
}
BENCHMARK(BM_SampleRowFullRecalc);

// A sample taken: the sample row (values and formulas) copied into the next row of a run sheet.
void BM_CopySampleRowIntoTable(benchmark::State& state) {
  TWorkbook templ;
  BuildSampleRow(templ);
  TWorkbook table;
  table.SetMaxCol(40);
  int row = 2;
  for (auto _ : state) {
    table.CopyRange(row, 1, row, 40, templ, 2, 1, 2, 40);
    if (++row > 10000) row = 2;
  }
}
BENCHMARK(BM_CopySampleRowIntoTable);

// The short mode of the test suite fills a tenth of the rows.
const int kRows = BenchShort() ? 10000 : 100000;
constexpr int kCols = 30;

void FillResults(TWorkbook& book) {
  book.SetAutoRecalc(false);
  for (int c = 1; c <= kCols; ++c) book.SetTextRC(1, c, QStringLiteral("Column %1").arg(c));
  for (int r = 2; r <= kRows + 1; ++r)
    for (int c = 1; c <= kCols; ++c) book.SetNumberRC(r, c, r * 0.001 + c / 7.0);
  book.SetAutoRecalc(true);
}

void BM_MemoryPerRow(benchmark::State& state) {
  for (auto _ : state) {
    TWorkbook book;
    FillResults(book);
    state.counters["bytes_per_row_of_30"] = static_cast<double>(book.MemoryBytes()) / kRows;
  }
}
BENCHMARK(BM_MemoryPerRow)->Iterations(1)->Unit(benchmark::kMillisecond);

// One shared results table and file per format, so the write and read costs are reported apart.
TWorkbook& Results() {
  static TWorkbook book = [] {
    TWorkbook b;
    FillResults(b);
    return b;
  }();
  return book;
}

QString ResultsFile(const char* name) {
  static QTemporaryDir dir;
  return dir.filePath(QString::fromLatin1(name));
}

void Save(benchmark::State& state, std::int16_t type, const char* name) {
  for (auto _ : state) Results().Write(ResultsFile(name), type);
}

void Reopen(benchmark::State& state, std::int16_t type, const char* name) {
  const QString path = ResultsFile(name);
  Results().Write(path, type);
  for (auto _ : state) {
    TWorkbook back;
    back.Read(path);
    benchmark::DoNotOptimize(back.NumberRC(kRows, kCols));
  }
}

void BM_Save100kRowsVts(benchmark::State& state) { Save(state, 5, "results.vts"); }
void BM_Reopen100kRowsVts(benchmark::State& state) { Reopen(state, 5, "results.vts"); }
void BM_Save100kRowsXlsx(benchmark::State& state) { Save(state, 4, "results.xlsx"); }
void BM_Reopen100kRowsXlsx(benchmark::State& state) { Reopen(state, 4, "results.xlsx"); }
BENCHMARK(BM_Save100kRowsVts)->Iterations(BenchShort() ? 1 : 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reopen100kRowsVts)->Iterations(BenchShort() ? 1 : 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save100kRowsXlsx)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reopen100kRowsXlsx)->Iterations(1)->Unit(benchmark::kMillisecond);

// A sheet part of a results table as spreadsheet programs write it, parsed with no reader behind:
// our scanner against expat, on the same inflated bytes.
class TCountElements : public TXmlPartParser::THandler {
 public:
  void StartElement(std::string_view) override { ++Elements; }
  long Elements = 0;
};

const QByteArray& SheetPartPackage() {
  static const QByteArray package = [] {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"m\"><sheetData>";
    for (int r = 1; r <= kRows / 4; ++r) {
      xml += "<row r=\"" + std::to_string(r) + "\" spans=\"1:30\">";
      for (int c = 1; c <= kCols; ++c)
        xml += "<c r=\"" + a1::CellName(r, c).toStdString() + "\" s=\"1\"><v>" + std::to_string(r * 0.001 + c / 7.0) + "</v></c>";
      xml += "</row>";
    }
    xml += "</sheetData></worksheet>";
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    TZipWriter zip(device, 1);
    zip.BeginEntry("sheet.xml");
    zip.Write(xml);
    zip.EndEntry();
    zip.Finish();
    return bytes;
  }();
  return package;
}

void ParseSheetPart(benchmark::State& state, void (*parse)(const TZipReader&, const std::string&, TXmlPartParser::THandler&)) {
  const TZipReader zip(SheetPartPackage());
  const std::size_t bytes = zip.Read("sheet.xml").size();
  for (auto _ : state) {
    TCountElements count;
    parse(zip, "sheet.xml", count);
    benchmark::DoNotOptimize(count.Elements);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
void BM_ParseSheetPartScanner(benchmark::State& state) { ParseSheetPart(state, &TXmlPartParser::Parse); }
void BM_ParseSheetPartExpat(benchmark::State& state) { ParseSheetPart(state, &TXmlPartParser::ParseWithExpat); }
BENCHMARK(BM_ParseSheetPartScanner)->Iterations(BenchShort() ? 1 : 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSheetPartExpat)->Iterations(BenchShort() ? 1 : 5)->Unit(benchmark::kMillisecond);

}  // namespace
