#include "workbook/formats/xlsximport.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/formats/workbookfile.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/formats/xlsxsheetreader.h"
#include "workbook/formats/xmlpartparser.h"
#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

using THandler = TXmlPartParser::THandler;

// _rels/*.rels: relationship identifiers to part names.
class TRelsHandler : public THandler {
 public:
  explicit TRelsHandler(const std::string& folder) : FFolder(folder) {}
  void StartElement(std::string_view name) override {
    if (name == "Relationship" && Attrs.Find("Target")) {
      const std::string target = Resolve(std::string(Attrs.Get("Target")));
      Targets[std::string(Attrs.Get("Id"))] = target;
      const std::string type(Attrs.Get("Type"));
      ByType[type.substr(type.rfind('/') + 1)] = target;
    }
  }
  std::map<std::string, std::string> Targets, ByType;

 private:
  std::string Resolve(const std::string& target) const {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : FFolder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
      const std::size_t slash = std::min(path.find('/', start), path.size());
      const std::string piece = path.substr(start, slash - start);
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
      start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
  }
  std::string FFolder;
};

class TWorkbookHandler : public THandler {
 public:
  struct TSheetEntry { std::string Name, RelId; };
  void StartElement(std::string_view name) override {
    if (name == "sheet") {
      Sheets.push_back({TXlsxCodec::Unescape(std::string(Attrs.Get("name"))), std::string(Attrs.Get("id"))});
    } else if (name == "workbookPr") {
      Date1904 = Attrs.Get("date1904") == "1" || Attrs.Get("date1904") == "true";
    } else if (name == "definedName") {
      FName.Name = TXlsxCodec::ToQString(TXlsxCodec::Unescape(std::string(Attrs.Get("name"))));
      const char* local = Attrs.Find("localSheetId");
      FName.Sheet = local ? static_cast<int>(TXlsxCodec::ToInteger(local, -2)) + 1 : 0;
      Collecting = true;
      Text.clear();
    }
  }
  void EndElement(std::string_view name) override {
    if (name != "definedName" || !Collecting) return;
    Collecting = false;
    FName.Text = TXlsxCodec::ToQString(TXlsxCodec::Unescape(Text)).trimmed();
    if (!FName.Name.isEmpty() && FName.Sheet >= 0) Names.push_back(FName);
  }
  std::vector<TSheetEntry> Sheets;
  std::vector<TWorkbook::TDefinedName> Names;
  bool Date1904 = false;  // dates count from 1904-01-01

 private:
  TWorkbook::TDefinedName FName;
};

class TSharedStringsHandler : public THandler {
 public:
  void StartElement(std::string_view name) override {
    if (name == "si") FItem.clear();
    else if (name == "rPh") ++FPhonetic;  // reading aids for East Asian text, not content
    else if (name == "t" && FPhonetic == 0) { Collecting = true; Text.clear(); }
  }
  void EndElement(std::string_view name) override {
    if (name == "t" && Collecting) { FItem += Text; Collecting = false; }
    else if (name == "rPh") --FPhonetic;
    else if (name == "si") Strings.push_back(TXlsxCodec::ToQString(TXlsxCodec::Unescape(FItem)));
  }
  std::vector<QString> Strings;

 private:
  std::string FItem;
  int FPhonetic = 0;
};

// The number format of each cell style.
class TStylesHandler : public THandler {
 public:
  void StartElement(std::string_view name) override {
    if (name == "numFmt") {
      FCodes[static_cast<std::size_t>(TXlsxCodec::ToInteger(Attrs.Get("numFmtId"), -1))] = TXlsxCodec::ToQString(TXlsxCodec::Unescape(std::string(Attrs.Get("formatCode"))));
    } else if (name == "cellXfs") {
      FInCellXfs = true;
    } else if (name == "xf" && FInCellXfs) {
      FXfFormats.push_back(static_cast<std::size_t>(TXlsxCodec::ToInteger(Attrs.Get("numFmtId"), 0)));
    }
  }
  void EndElement(std::string_view name) override {
    if (name == "cellXfs") FInCellXfs = false;
  }
  // "" for General or an unknown style.
  std::vector<QString> StyleFormats() const {
    std::vector<QString> out;
    for (const std::size_t id : FXfFormats) {
      auto known = FCodes.find(id);
      QString code = known != FCodes.end() ? known->second : TXlsxImport::BuiltinFormat(id);
      if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) code.clear();
      out.push_back(code);
    }
    return out;
  }

 private:
  std::map<std::size_t, QString> FCodes;
  std::vector<std::size_t> FXfFormats;
  bool FInCellXfs = false;
};

std::string Folder(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsFor(const std::string& part) {
  return Folder(part) + "_rels/" + part.substr(part.rfind('/') + 1) + ".rels";
}

// Reads the sheet parts on `threads` threads, each sheet whole, and hands each reader to apply()
// on this thread in sheet order as soon as it and those before it are read. A sheet that fails
// stops the rest; its error is thrown here, so the error reported is the first in sheet order, as
// when reading one sheet after another.
template <class TMake, class TApply>
void ReadInParallel(const TZipReader& zip, const std::vector<std::pair<int, std::string>>& parts, TMake make, std::size_t threads,
                    TApply apply) {
  struct TSlot {
    std::unique_ptr<TXlsxSheetReader> Reader;
    std::exception_ptr Failure;
    bool Done = false;
  };
  std::vector<TSlot> queue(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) queue[i].Reader = make(parts[i].first);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < queue.size();) {
      try {
        TXmlPartParser::Parse(zip, parts[i].second, *queue[i].Reader);
        queue[i].Reader->Finish();
      } catch (...) {
        queue[i].Failure = std::current_exception();
      }
      const std::lock_guard<std::mutex> lock(mutex);
      queue[i].Done = true;
      finished.notify_all();
    }
  };
  std::vector<std::thread> workers;
  // Whatever leaves this function, the workers are stopped taking sheets and joined first.
  struct TJoin {
    std::vector<std::thread>& Workers;
    std::atomic<std::size_t>& Next;
    std::size_t Count;
    ~TJoin() {
      Next = Count;
      for (std::thread& t : Workers) t.join();
    }
  } join{workers, next, queue.size()};
  for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);
  for (std::size_t i = 0; i < queue.size(); ++i) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return queue[i].Done; });
    }
    if (queue[i].Failure) std::rethrow_exception(queue[i].Failure);
    apply(parts[i].first, *queue[i].Reader);
    queue[i].Reader.reset();
  }
}

}  // namespace

QString TXlsxImport::BuiltinFormat(std::size_t id) {
  switch (id) {
    case 0: return QStringLiteral("General");
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 14: return QStringLiteral("mm-dd-yy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yy h:mm");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;(#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return QString();
  }
}

TWorkbook TXlsxImport::Read(const QString& path, const QByteArray& data) {
  try {
    const TZipReader zip(data);
    std::string workbookPart = "xl/workbook.xml";
    if (zip.Has("_rels/.rels")) {
      TRelsHandler rels("");
      TXmlPartParser::Parse(zip, "_rels/.rels", rels);
      if (rels.ByType.count("officeDocument")) workbookPart = rels.ByType["officeDocument"];
    }
    if (!zip.Has(workbookPart)) throw EWorkbookError(QString(), QString(), QStringLiteral("this is not a spreadsheet package (no workbook part)"));
    TWorkbookHandler workbook;
    TXmlPartParser::Parse(zip, workbookPart, workbook);
    if (workbook.Sheets.empty()) throw EWorkbookError(QString(), QString(), QStringLiteral("the workbook has no sheet"));

    TRelsHandler rels(Folder(workbookPart));
    if (zip.Has(RelsFor(workbookPart))) TXmlPartParser::Parse(zip, RelsFor(workbookPart), rels);
    auto partOf = [&](const std::string& type, const std::string& fallback) {
      auto known = rels.ByType.find(type);
      return known != rels.ByType.end() ? known->second : Folder(workbookPart) + fallback;
    };

    TSharedStringsHandler strings;
    if (const std::string part = partOf("sharedStrings", "sharedStrings.xml"); zip.Has(part)) TXmlPartParser::Parse(zip, part, strings);
    TStylesHandler styles;
    if (const std::string part = partOf("styles", "styles.xml"); zip.Has(part)) TXmlPartParser::Parse(zip, part, styles);
    const std::vector<QString> styleFormats = styles.StyleFormats();

    TWorkbook book;
    book.SetAutoRecalc(false);
    std::vector<QString> names;
    for (const auto& entry : workbook.Sheets) names.push_back(TXlsxCodec::ToQString(entry.Name));
    TWorkbookFile::NameSheets(book, names, path);
    // The sheets that have a part (a chart sheet, or a sheet whose part is missing, stays empty).
    std::vector<std::pair<int, std::string>> parts;
    for (std::size_t s = 0; s < workbook.Sheets.size(); ++s) {
      auto target = rels.Targets.find(workbook.Sheets[s].RelId);
      if (target != rels.Targets.end() && zip.Has(target->second)) parts.emplace_back(static_cast<int>(s) + 1, target->second);
    }
    auto reader = [&](int sheet) {
      auto r = std::make_unique<TXlsxSheetReader>(sheet, book.SheetName(sheet), strings.Strings, styleFormats);
      // Dates of the 1904 system are moved to ours, so they show and compute the same and a copy
      // we write (in our system) shows them the same everywhere.
      if (workbook.Date1904) r->DateShift = 1462;
      return r;
    };
    std::vector<TWorkbookFile::TPendingFormula> formulas;
    TWorkbookFile::TSharedUses uses;
    auto take = [&](TXlsxSheetReader& r) {
      uses.Append(std::move(r.Uses), formulas.size());
      formulas.insert(formulas.end(), std::make_move_iterator(r.Formulas.begin()), std::make_move_iterator(r.Formulas.end()));
    };
    // Side by side only where two sheets or more are large enough to gain: for small parts the
    // hand-over between threads costs more than the reading.
    const unsigned cores = std::thread::hardware_concurrency();
    constexpr std::uint64_t LargePart = 256 * 1024;
    const auto large = std::count_if(parts.begin(), parts.end(), [&](const auto& p) { return zip.DeclaredSize(p.second) >= LargePart; });
    if (large < 2 || cores < 2) {
      for (const auto& [sheet, part] : parts) {
        const auto r = reader(sheet);
        book.SetSheet(sheet);
        r->Direct = &book;
        TXmlPartParser::Parse(zip, part, *r);
        r->Finish();
        take(*r);
      }
    } else {
      ReadInParallel(zip, parts, reader, std::min<std::size_t>(cores, parts.size()), [&](int sheet, TXlsxSheetReader& r) {
        book.SetSheet(sheet);
        r.Apply(book);
        take(r);
      });
    }
    for (TWorkbook::TDefinedName& n : workbook.Names) n.Text.remove(QStringLiteral("_xlfn."));
    TWorkbookFile::KeepFormulasNaming(formulas, workbook.Names, book.NumSheets());
    book.SetDefinedNames(std::move(workbook.Names));
    TWorkbookFile::PlaceFormulas(book, formulas, path, &uses);
    book.SetSheet(1);
    book.SetAutoRecalc(true);
    return book;
  } catch (const EWorkbookError& e) {
    throw EWorkbookError(path, e.Where(), e.What());
  } catch (const std::exception& e) {
    throw EWorkbookError(path, QString(), QStringLiteral("cannot read the .xlsx file: %1").arg(QString::fromUtf8(e.what())));
  }
}
