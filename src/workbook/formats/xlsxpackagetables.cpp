#include "workbook/formats/xlsxpackagetables.h"

#include "platform/numbers.h"
#include "workbook/formats/xlsxcodec.h"
#include "workbook/model/workbook.h"

std::uint32_t TXlsxPackageTables::StringIndex(const QString& text) {
  ++FStringUses;
  auto known = FStrings.constFind(text);
  if (known != FStrings.cend()) return *known;
  const auto index = static_cast<std::uint32_t>(FStringOrder.size());
  FStrings.insert(text, index);
  FStringOrder.push_back(text);
  return index;
}

int TXlsxPackageTables::StyleIndex(std::uint16_t format) {
  if (format == 0) return 0;
  if (FStyles.size() <= format) FStyles.resize(format + 1, -1);
  if (FStyles[format] < 0) {
    FStyles[format] = static_cast<int>(FStyleFormats.size()) + 1;
    FStyleFormats.push_back(format);
  }
  return FStyles[format];
}

QByteArray TXlsxPackageTables::SharedStringsXml() const {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<sst xmlns=\"";
  x += TXlsxCodec::MainNs;
  x += "\" count=\"";
  numbers::AppendInteger(x, FStringUses);
  x += "\" uniqueCount=\"";
  numbers::AppendInteger(x, static_cast<long long>(FStringOrder.size()));
  x += "\">";
  for (const QString& s : FStringOrder) {
    const bool keepSpaces = !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
    x += keepSpaces ? "<si><t xml:space=\"preserve\">" : "<si><t>";
    TXlsxCodec::AppendEscaped(x, s);
    x += "</t></si>";
  }
  x += "</sst>";
  return x;
}

QByteArray TXlsxPackageTables::StylesXml() const {
  QByteArray x = TXlsxCodec::XmlHead;
  x += "<styleSheet xmlns=\"";
  x += TXlsxCodec::MainNs;
  x += "\">";
  if (!FStyleFormats.empty()) {
    x += "<numFmts count=\"";
    numbers::AppendInteger(x, static_cast<long long>(FStyleFormats.size()));
    x += "\">";
    for (std::size_t i = 0; i < FStyleFormats.size(); ++i) {
      x += "<numFmt numFmtId=\"";
      numbers::AppendInteger(x, FirstCustomFormat + static_cast<long long>(i));
      x += "\" formatCode=\"";
      TXlsxCodec::AppendEscaped(x, FBook.FormatCode(FStyleFormats[i]));
      x += "\"/>";
    }
    x += "</numFmts>";
  }
  x += "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font></fonts>"
       "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
       "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
       "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
       "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
       "<cellXfs count=\"";
  numbers::AppendInteger(x, static_cast<long long>(FStyleFormats.size()) + 1);
  x += "\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
  for (std::size_t i = 0; i < FStyleFormats.size(); ++i) {
    x += "<xf numFmtId=\"";
    numbers::AppendInteger(x, FirstCustomFormat + static_cast<long long>(i));
    x += "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
  }
  x += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
       "</styleSheet>";
  return x;
}
