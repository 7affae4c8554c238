#include "results/pdftablepages.h"

#include <algorithm>

#include <zlib.h>

#include "results/labreport.h"
#include "results/pdfupdate.h"

namespace {

constexpr double CellSize = 8;       // points, of the cells and the titles
constexpr double Advance = 0.6;      // every Courier glyph is 600/1000 of the size wide
constexpr double RowHeight = 10;
constexpr double TitleLineHeight = 9;
constexpr double HeadingSize = 13;
constexpr double NoteSize = 10;
// Fast compression: for the long report a tenth larger than at the default level (4.9 MB against
// 4.5 MB) in about half the time.
constexpr int Compression = 1;

// The code of `u` in the standard fonts' encoding (Windows Latin 1), or -1 when it has no glyph.
int Code(char16_t u) {
  if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF)) return u;
  static constexpr struct {
    char16_t Unicode;
    unsigned char Code;
  } Extra[] = {{0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
               {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
               {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
               {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
               {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
  for (const auto& e : Extra)
    if (e.Unicode == u) return e.Code;
  return -1;
}

}  // namespace

TPdfTablePages::TPdfTablePages(const QSizeF& pageSize, const QRectF& area)
    : FPageSize(pageSize), FArea(area), FZip(std::make_unique<z_stream_s>()) {
  FZipReady = deflateInit(FZip.get(), Compression) == Z_OK;
}

TPdfTablePages::~TPdfTablePages() {
  if (FZipReady) deflateEnd(FZip.get());
}

bool TPdfTablePages::CanWrite(const QString& text) {
  for (QChar c : text)
    if (Code(c.unicode()) < 0) return false;
  return true;
}

bool TPdfTablePages::CanWrite(const TReportRun& run) {
  if (!CanWrite(run.Name)) return false;
  for (const QString& title : run.Titles)
    if (!CanWrite(title)) return false;
  for (const QStringList& row : run.Rows)
    for (const QString& cell : row)
      if (!CanWrite(cell)) return false;
  return true;
}

double TPdfTablePages::CharWidth() const { return CellSize * Advance; }

double TPdfTablePages::TitleWidth(const QString& text) const { return text.size() * CellSize * Advance; }

QString TPdfTablePages::ElideTitle(const QString& text, double width) const {
  const int fits = std::max(1, static_cast<int>(width / (CellSize * Advance)));
  return text.size() <= fits ? text : text.left(fits - 1) + QChar(0x2026);
}

bool TPdfTablePages::NewPage() {
  if (FOpen) FinishPage();
  FOpen = true;
  FContents.resize(0);  // keeps its room for the next page
  FY = 0;
  FPages.push_back({FPosition, false, {}});  // its contents when it is finished
  return true;
}

void TPdfTablePages::Heading(const QString& text) {
  EndRows();
  // One line, smaller when a long name would not fit across.
  const double size = std::min(HeadingSize, FArea.width() / (std::max<qsizetype>(1, text.size()) * Advance));
  Line("CB", size, 0, FY + 11, text);
  FY += 16;
}

void TPdfTablePages::Titles(const std::vector<QStringList>& lines, const std::vector<double>& left) {
  EndRows();
  qsizetype rows = 1;
  for (const QStringList& column : lines) rows = std::max(rows, column.size());
  const double height = rows * TitleLineHeight + 2;
  for (std::size_t i = 0; i < lines.size() && i < left.size(); ++i) {
    const QStringList& column = lines[i];
    // Bottom-aligned, so the units line up under each other.
    double baseline = FY + height - 4 - (column.size() - 1) * TitleLineHeight;
    for (const QString& line : column) {
      Line("CB", CellSize, left[i] + 2, baseline, line);
      baseline += TitleLineHeight;
    }
  }
  FY += height;
  FContents += "0.75 w\n";
  Number(FArea.left());
  Number(FPageSize.height() - FArea.top() - FY);
  FContents += "m\n";
  Number(FArea.right());
  Number(FPageSize.height() - FArea.top() - FY);
  FContents += "l\nS\n";
  FY += 2;
}

bool TPdfTablePages::RowFits() const { return FY + RowHeight <= FArea.height(); }

void TPdfTablePages::Row(const QString& line) {
  if (!FInRows) {
    // One text object for the page's rows: each row moves down a line (') and shows its text.
    FContents += "BT\n/C ";
    Number(CellSize);
    FContents += "Tf\n";
    Number(RowHeight);
    FContents += "TL\n";
    Number(FArea.left() + 2);
    Number(FPageSize.height() - FArea.top() - (FY + 7.5) + RowHeight);
    FContents += "Td\n";
    FInRows = true;
  }
  String(line);
  FContents += "'\n";
  FY += RowHeight;
}

void TPdfTablePages::Note(const QString& text) {
  EndRows();
  Line("C", NoteSize, 0, FY + 10, text);
  FY += 14;
}

void TPdfTablePages::AddTo(TPdfUpdate& report) {
  if (FOpen) FinishPage();
  FOpen = false;
  if (FPages.empty()) return;
  const int regular = report.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
  const int bold = report.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold /Encoding /WinAnsiEncoding >>");
  const int resources = report.Add("<< /Font << /C " + QByteArray::number(regular) + " 0 R /CB " + QByteArray::number(bold) +
                                   " 0 R >> /ProcSet [/PDF /Text] >>");
  const QByteArray box = "[0 0 " + QByteArray::number(FPageSize.width(), 'f', 2) + ' ' +
                         QByteArray::number(FPageSize.height(), 'f', 2) + ']';
  for (const TPage& page : FPages) {
    const int contents = report.AddStream(page.Contents, page.Packed ? "/Filter /FlateDecode" : "");
    const int object = report.Add("<< /Type /Page /Parent " + QByteArray::number(report.PageTree()) + " 0 R /MediaBox " + box +
                                  " /Resources " + QByteArray::number(resources) + " 0 R /Contents " +
                                  QByteArray::number(contents) + " 0 R >>");
    report.InsertPage(page.Position, object);
  }
  FPages.clear();
}

void TPdfTablePages::String(const QString& text) {
  FContents += '(';
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
      if (u == '(' || u == ')' || u == '\\') FContents += '\\';
      FContents += static_cast<char>(u);
    } else {
      const int code = Code(u);
      FContents += static_cast<char>(code < 0 ? '?' : code);
    }
  }
  FContents += ')';
}

void TPdfTablePages::Number(double value) {
  FContents += QByteArray::number(value, 'f', 2);
  FContents += ' ';
}

void TPdfTablePages::Line(const char* font, double size, double x, double baseline, const QString& text) {
  FContents += "BT\n/";
  FContents += font;
  FContents += ' ';
  Number(size);
  FContents += "Tf\n";
  Number(FArea.left() + x);
  Number(FPageSize.height() - FArea.top() - baseline);
  FContents += "Td\n";
  String(text);
  FContents += " Tj\nET\n";
}

void TPdfTablePages::EndRows() {
  if (FInRows) FContents += "ET\n";
  FInRows = false;
}

void TPdfTablePages::FinishPage() {
  EndRows();
  TPage& page = FPages.back();
  if (FZipReady && deflateReset(FZip.get()) == Z_OK) {
    const uLong bound = deflateBound(FZip.get(), static_cast<uLong>(FContents.size()));
    if (FPacked.size() < qsizetype(bound)) FPacked.resize(qsizetype(bound));
    FZip->next_in = reinterpret_cast<Bytef*>(FContents.data());
    FZip->avail_in = static_cast<uInt>(FContents.size());
    FZip->next_out = reinterpret_cast<Bytef*>(FPacked.data());
    FZip->avail_out = static_cast<uInt>(FPacked.size());
    if (deflate(FZip.get(), Z_FINISH) == Z_STREAM_END) {
      page.Contents = QByteArray(FPacked.constData(), static_cast<qsizetype>(FZip->total_out));
      page.Packed = true;
      return;
    }
  }
  // Stored as it is when it cannot be packed (no memory for zlib): larger, still the same page.
  page.Contents = FContents;
}
