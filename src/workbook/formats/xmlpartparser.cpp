#include "workbook/formats/xmlpartparser.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include <QString>

#include "workbook/formats/xmlscanner.h"
#include "workbook/model/workbookerror.h"
#include "workbook/zip/zipreader.h"

namespace {

class TIgnoreAll : public TXmlPartParser::THandler {
 public:
  void StartElement(std::string_view) override {}
};

}  // namespace

const char* TXmlPartParser::TAttributes::Find(std::string_view name) const {
  for (const char* const* a = FAtts; a && a[0]; a += 2)
    if (LocalName(a[0]) == name) return a[1];
  return nullptr;
}

bool TXmlPartParser::TAttributes::Has(std::string_view name, std::string_view value) const {
  for (const char* const* a = FAtts; a && a[0]; a += 2)
    if (LocalName(a[0]) == name && value == a[1]) return true;
  return false;
}

std::string_view TXmlPartParser::TAttributes::Get(std::string_view name) const {
  const char* v = Find(name);
  return v ? std::string_view(v) : std::string_view();
}


TXmlPartParser::TXmlPartParser(const std::string& part, THandler& handler)
    : FPart(part), FHandler(handler), FParser(XML_ParserCreate(nullptr)) {
  if (!FParser) throw std::bad_alloc();
  XML_SetUserData(FParser, this);
  XML_SetElementHandler(FParser, &TXmlPartParser::OnStart, &TXmlPartParser::OnEnd);
  XML_SetCharacterDataHandler(FParser, &TXmlPartParser::OnCharacters);
  XML_SetStartDoctypeDeclHandler(FParser, &TXmlPartParser::OnDoctype);
}

TXmlPartParser::~TXmlPartParser() { XML_ParserFree(FParser); }

void TXmlPartParser::Parse(const TZipReader& zip, const std::string& part, THandler& handler) {
  // The engine is chosen by the first piece, which holds the byte-order mark and declaration.
  std::optional<TXmlScanner> scanner;
  std::unique_ptr<TXmlPartParser, void (*)(TXmlPartParser*)> expat(nullptr, [](TXmlPartParser* p) { delete p; });
  zip.Read(part, [&](const char* data, std::size_t size) {
    if (!scanner && !expat) {
      if (size == 0) return;
      if (TXmlScanner::ReadsDocument(std::string_view(data, size))) scanner.emplace(part, handler);
      else expat.reset(new TXmlPartParser(part, handler));
    }
    if (scanner) scanner->Feed(data, size);
    else expat->Feed(data, size, false);
  });
  if (expat) {
    expat->Feed("", 0, true);
    return;
  }
  if (!scanner) scanner.emplace(part, handler);
  scanner->Finish();
}

void TXmlPartParser::ParseWithExpat(const TZipReader& zip, const std::string& part, THandler& handler) {
  TXmlPartParser parser(part, handler);
  parser.Run(zip);
}

void TXmlPartParser::Check(const TZipReader& zip, const std::string& part) {
  TIgnoreAll ignore;
  Parse(zip, part, ignore);
}

void TXmlPartParser::Run(const TZipReader& zip) {
  zip.Read(FPart, [&](const char* data, std::size_t size) { Feed(data, size, false); });
  Feed("", 0, true);
}

void TXmlPartParser::Feed(const char* data, std::size_t size, bool last) {
  constexpr std::size_t piece = 1 << 30;  // expat takes int lengths
  do {
    const std::size_t length = std::min(piece, size);
    const XML_Status status = XML_Parse(FParser, data, static_cast<int>(length), last && length == size);
    if (FFailure) std::rethrow_exception(FFailure);
    if (status != XML_STATUS_OK) {
      const QString what = FDoctype ? QStringLiteral("a document type declaration is not allowed")
                                    : QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(FParser)));
      throw EWorkbookError(QString(),
                           QStringLiteral("%1 line %2").arg(QString::fromStdString(FPart)).arg(XML_GetCurrentLineNumber(FParser)),
                           QStringLiteral("malformed XML: %1").arg(what));
    }
    data += length;
    size -= length;
  } while (size > 0);
}

template <class TCall>
void TXmlPartParser::Guard(void* self, TCall call) {
  auto* parser = static_cast<TXmlPartParser*>(self);
  if (parser->FFailure) return;
  try {
    call(parser->FHandler);
  } catch (...) {
    parser->FFailure = std::current_exception();
    XML_StopParser(parser->FParser, XML_FALSE);
  }
}

void TXmlPartParser::OnStart(void* self, const XML_Char* name, const XML_Char** atts) {
  Guard(self, [&](THandler& h) {
    h.Attrs.Load(atts);
    h.StartElement(TAttributes::LocalName(name));
  });
}

void TXmlPartParser::OnEnd(void* self, const XML_Char* name) {
  Guard(self, [&](THandler& h) { h.EndElement(TAttributes::LocalName(name)); });
}

void TXmlPartParser::OnCharacters(void* self, const XML_Char* text, int length) {
  Guard(self, [&](THandler& h) { h.Characters(text, length); });
}

void TXmlPartParser::OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  auto* parser = static_cast<TXmlPartParser*>(self);
  parser->FDoctype = true;
  XML_StopParser(parser->FParser, XML_FALSE);
}
