#include "workbook/formats/xmlscanner.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <QString>

#include "workbook/model/workbookerror.h"

namespace {

constexpr std::size_t npos = std::string::npos;
using TTaken = TXmlPartParser::THandler::TTaken;

// Byte classes: what a name may hold, what is a blank, and what plain character data must stop
// at (references, line ends, control characters, "]" of "]]>", non-ASCII to validate).
enum : unsigned char { NameStart = 1, NameChar = 2, Blank = 4, TextStop = 8, ValueStop = 16 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    unsigned char k = 0;
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
    if (letter) k |= NameStart | NameChar;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') k |= NameChar;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') k |= Blank;
    if (c < 0x20 || c == '&' || c == ']' || c >= 0x80) k |= TextStop;
    if (c < 0x20 || c == '&' || c == '<' || c >= 0x80) k |= ValueStop;
    t[static_cast<std::size_t>(c)] = k;
  }
  return t;
}
constexpr std::array<unsigned char, 256> Classes = MakeClasses();

inline unsigned char ClassOf(char c) { return Classes[static_cast<unsigned char>(c)]; }

bool AllowedCharacter(unsigned long code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0xFFFD) ||
         (code >= 0x10000 && code <= 0x10FFFF);
}

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool Utf8Name(std::string_view encoding) {
  return SameNoCase(encoding, "utf-8") || SameNoCase(encoding, "utf8") || SameNoCase(encoding, "us-ascii");
}

// The encoding an XML declaration names ("" when it names none).
std::string_view DeclaredEncoding(std::string_view declaration) {
  const std::size_t key = declaration.find("encoding");
  if (key == npos) return {};
  std::size_t p = key + 8;
  while (p < declaration.size() && (ClassOf(declaration[p]) & Blank)) ++p;
  if (p >= declaration.size() || declaration[p] != '=') return {};
  ++p;
  while (p < declaration.size() && (ClassOf(declaration[p]) & Blank)) ++p;
  if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\'')) return {};
  const std::size_t close = declaration.find(declaration[p], p + 1);
  return close == npos ? std::string_view() : declaration.substr(p + 1, close - p - 1);
}

// The inside of "<?xml ... ?>": version, then optionally encoding and standalone, in that order.
bool DeclarationWellFormed(std::string_view d) {
  std::size_t p = 0;
  auto blanks = [&] {
    const std::size_t from = p;
    while (p < d.size() && (ClassOf(d[p]) & Blank)) ++p;
    return p > from;
  };
  auto pseudo = [&](std::string_view name, std::string_view& value) {
    if (d.substr(p, name.size()) != name) return false;
    p += name.size();
    blanks();
    if (p >= d.size() || d[p] != '=') return false;
    ++p;
    blanks();
    if (p >= d.size() || (d[p] != '"' && d[p] != '\'')) return false;
    const std::size_t close = d.find(d[p], p + 1);
    if (close == npos) return false;
    value = d.substr(p + 1, close - p - 1);
    p = close + 1;
    return true;
  };
  auto all = [](std::string_view v, auto ok) { return std::all_of(v.begin(), v.end(), ok); };
  std::string_view version, encoding, standalone;
  if (!blanks() || !pseudo("version", version)) return false;
  if (version.size() < 3 || version.substr(0, 2) != "1." || !all(version.substr(2), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  bool blank = blanks();
  if (blank && d.substr(p, 8) == "encoding") {
    if (!pseudo("encoding", encoding) || encoding.empty() || !((encoding[0] | 0x20) >= 'a' && (encoding[0] | 0x20) <= 'z') ||
        !all(encoding, [](char c) { return (ClassOf(c) & NameChar) && c != ':' && static_cast<unsigned char>(c) < 0x80; }))
      return false;
    blank = blanks();
  }
  if (blank && d.substr(p, 10) == "standalone") {
    if (!pseudo("standalone", standalone) || (standalone != "yes" && standalone != "no")) return false;
    blanks();
  }
  return p == d.size();
}

}  // namespace

TXmlScanner::TXmlScanner(const std::string& part, TXmlPartParser::THandler& handler) : FPart(part), FHandler(handler) {}

bool TXmlScanner::ReadsDocument(std::string_view head) {
  if (head.size() >= 2 && ((head[0] == '\xFE' && head[1] == '\xFF') || (head[0] == '\xFF' && head[1] == '\xFE'))) return false;
  if (head.size() >= 2 && (head[0] == '\0' || head[1] == '\0')) return false;  // UTF-16 without a mark
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  if (head.substr(0, 5) != "<?xml") return true;
  const std::size_t end = head.find("?>");
  const std::string_view encoding = DeclaredEncoding(head.substr(0, end));
  return encoding.empty() || Utf8Name(encoding);
}

void TXmlScanner::Fail(std::size_t at, const char* what) const {
  std::size_t line = FLinesBefore + 1;
  const char* p = FBuffer.data();
  const char* end = p + std::min(at, FBuffer.size());
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
    ++line;
    ++p;
  }
  throw EWorkbookError(QString(), QStringLiteral("%1 line %2").arg(QString::fromStdString(FPart)).arg(line),
                       QStringLiteral("malformed XML: %1").arg(QString::fromUtf8(what)));
}

void TXmlScanner::Feed(const char* data, std::size_t size) {
  FBuffer.append(data, size);
  // A construct longer than a piece is scanned again only once the buffer has doubled, so one
  // huge tag costs linear time, not a rescan per piece.
  if (FBuffer.size() < FWait) return;
  const std::size_t used = Scan(false);
  const char* p = FBuffer.data();
  const char* end = p + used;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
    ++FLinesBefore;
    ++p;
  }
  FBuffer.erase(0, used);
  FWait = FBuffer.size() >= (1 << 16) ? 2 * FBuffer.size() : 0;
}

void TXmlScanner::Finish() {
  Scan(true);
  if (!FRootSeen || !FOpenEnds.empty()) Fail(FBuffer.size(), "no element found");
}

std::size_t TXmlScanner::Scan(bool last) {
  const std::size_t n = FBuffer.size();
  std::size_t at = 0;
  if (!FStarted) {
    if (n < 3 && !last) return 0;
    if (FBuffer.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
    FStarted = true;
    FAtStart = true;
  }
  while (at < n) {
    std::size_t next;
    FStalled = false;
    if (FBuffer[at] != '<') next = Text(at, last);
    else if (at + 1 >= n) next = npos;
    else if (FBuffer[at + 1] == '/') next = EndTag(at);
    else if (FBuffer[at + 1] == '!') next = Bang(at);
    else if (FBuffer[at + 1] == '?') next = Instruction(at);
    else if (const TTaken took = FOpenEnds.empty() ? TTaken{} : FHandler.TakeElement(FBuffer.data() + at, n - at); took.Bytes > 0) {
      next = at + took.Bytes;
      if (took.OpenName > 0) {
        FOpen.append(FBuffer, at + 1, took.OpenName);
        FOpenEnds.push_back(FOpen.size());
      }
    } else next = StartTag(at);
    if (next == npos) {
      if (last) Fail(at, "unclosed token");
      return at;
    }
    FAtStart = false;
    at = next;
    if (FStalled) return at;
  }
  return at;
}

std::size_t TXmlScanner::Text(std::size_t at, bool last) {
  const char* b = FBuffer.data();
  const std::size_t n = FBuffer.size();
  const void* lt = std::memchr(b + at, '<', n - at);
  std::size_t end = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - b) : n;
  if (!lt && !last) {
    // Deliver what cannot change with more input: not a cut character, reference, line end or
    // "]]" that the next piece may complete.
    std::size_t safe = n;
    std::size_t lead = safe;
    while (lead > at && safe - lead < 3 && (static_cast<unsigned char>(b[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > at && static_cast<unsigned char>(b[lead - 1]) >= 0xC0) safe = lead - 1;
    while (safe > at && n - safe < 6 && (b[safe - 1] == ']' || b[safe - 1] == '\r')) --safe;
    const char* amp = static_cast<const char*>(memrchr(b + at, '&', safe - at));
    if (amp && !std::memchr(amp, ';', static_cast<std::size_t>(b + safe - amp))) safe = static_cast<std::size_t>(amp - b);
    end = safe;
    FStalled = true;
    if (end == at) return at;
  }
  if (FOpenEnds.empty()) {  // outside the root only blanks may stand
    for (std::size_t i = at; i < end; ++i)
      if (!(ClassOf(b[i]) & Blank)) Fail(i, FRootClosed ? "junk after document element" : "syntax error");
    return end;
  }
  const std::size_t plain = CheckPlain(at, end - at, false);
  if (plain == end - at) {
    Deliver(b + at, plain);
  } else {
    FDecoded.assign(b + at, plain);
    Decode(at + plain, end - at - plain, false, FDecoded);
    Deliver(FDecoded.data(), FDecoded.size());
  }
  return end;
}

void TXmlScanner::Deliver(const char* text, std::size_t length) {
  constexpr std::size_t piece = 1 << 30;
  while (length > 0) {
    const std::size_t now = std::min(length, piece);
    FHandler.Characters(text, static_cast<int>(now));
    text += now;
    length -= now;
  }
}

std::size_t TXmlScanner::Utf8(std::size_t at, std::size_t end) const {
  const auto* s = reinterpret_cast<const unsigned char*>(FBuffer.data());
  const unsigned c = s[at];
  std::size_t length;
  unsigned long code;
  if (c >= 0xC2 && c <= 0xDF) { length = 2; code = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) { length = 3; code = c & 0x0F; }
  else if (c >= 0xF0 && c <= 0xF4) { length = 4; code = c & 0x07; }
  else Fail(at, "not well-formed (invalid token)");
  if (at + length > end) {
    if (end == FBuffer.size()) return 0;  // cut by the end of the input so far
    Fail(at, "not well-formed (invalid token)");
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[at + i] & 0xC0) != 0x80) Fail(at, "not well-formed (invalid token)");
    code = code << 6 | (s[at + i] & 0x3F);
  }
  const unsigned long least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (code < least || !AllowedCharacter(code)) Fail(at, "not well-formed (invalid token)");
  return length;
}

std::size_t TXmlScanner::CheckPlain(std::size_t at, std::size_t length, bool attribute) const {
  const char* b = FBuffer.data();
  const unsigned char stop = attribute ? ValueStop : TextStop;
  const std::size_t end = at + length;
  for (std::size_t i = at; i < end;) {
    const char c = b[i];
    if (!(ClassOf(c) & stop)) { ++i; continue; }
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      const std::size_t l = Utf8(i, end);
      if (l == 0) Fail(i, "not well-formed (invalid token)");
      i += l;
    } else if (c == ']') {
      if (i + 2 < end && b[i + 1] == ']' && b[i + 2] == '>') Fail(i, "not well-formed (invalid token)");
      ++i;
    } else if (c == '<') {
      Fail(i, "not well-formed (invalid token)");
    } else if (c == '&' || c == '\r' || (attribute && (c == '\n' || c == '\t'))) {
      return i - at;
    } else if (c == '\n' || c == '\t') {
      ++i;
    } else {
      Fail(i, "not well-formed (invalid token)");
    }
  }
  return length;
}

void TXmlScanner::Decode(std::size_t at, std::size_t length, bool attribute, std::string& out) {
  const char* b = FBuffer.data();
  const std::size_t end = at + length;
  std::size_t i = at;
  while (i < end) {
    const std::size_t plain = CheckPlain(i, end - i, attribute);
    out.append(b + i, plain);
    i += plain;
    if (i >= end) break;
    const char c = b[i];
    if (c == '&') {
      i = Reference(i, end, out);
    } else if (c == '\r') {
      out += attribute ? ' ' : '\n';
      i += i + 1 < end && b[i + 1] == '\n' ? 2 : 1;
    } else {  // a line end or tab in an attribute value
      out += ' ';
      ++i;
    }
  }
}

std::size_t TXmlScanner::Reference(std::size_t at, std::size_t end, std::string& out) {
  const char* b = FBuffer.data();
  const void* semi = std::memchr(b + at, ';', end - at);
  if (!semi) Fail(at, "not well-formed (invalid token)");
  const std::size_t close = static_cast<std::size_t>(static_cast<const char*>(semi) - b);
  const std::string_view name(b + at + 1, close - at - 1);
  if (name == "lt") out += '<';
  else if (name == "gt") out += '>';
  else if (name == "amp") out += '&';
  else if (name == "quot") out += '"';
  else if (name == "apos") out += '\'';
  else if (!name.empty() && name[0] == '#') {
    const bool hex = name.size() > 1 && name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) Fail(at, "not well-formed (invalid token)");
    unsigned long code = 0;
    for (const char d : digits) {
      int v;
      if (d >= '0' && d <= '9') v = d - '0';
      else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      else Fail(at, "not well-formed (invalid token)");
      code = code * (hex ? 16 : 10) + static_cast<unsigned long>(v);
      if (code > 0x10FFFF) Fail(at, "reference to invalid character number");
    }
    if (!AllowedCharacter(code)) Fail(at, "reference to invalid character number");
    AppendUtf8(out, code);
  } else {
    for (const char c : name)
      if (!(ClassOf(c) & NameChar)) Fail(at, "not well-formed (invalid token)");
    Fail(at, "undefined entity");
  }
  return close + 1;
}

// name="value" or name='value' at `at`; end receives where the value ends. npos when cut.
std::size_t TXmlScanner::Attribute(std::size_t at, std::size_t& end) {
  const char* b = FBuffer.data();
  const std::size_t n = FBuffer.size();
  if (!(ClassOf(b[at]) & NameStart)) Fail(at, "not well-formed (invalid token)");
  std::size_t p = at + 1;
  while (p < n && (ClassOf(b[p]) & NameChar)) ++p;
  const std::size_t nameEnd = p;
  while (p < n && (ClassOf(b[p]) & Blank)) ++p;
  if (p >= n) return npos;
  if (b[p] != '=') Fail(p, "not well-formed (invalid token)");
  ++p;
  while (p < n && (ClassOf(b[p]) & Blank)) ++p;
  if (p >= n) return npos;
  const char quote = b[p];
  if (quote != '"' && quote != '\'') Fail(p, "not well-formed (invalid token)");
  const void* close = std::memchr(b + p + 1, quote, n - p - 1);
  if (!close) return npos;
  end = static_cast<std::size_t>(static_cast<const char*>(close) - b);
  const std::size_t value = p + 1;
  const bool plain = CheckPlain(value, end - value, true) == end - value;
  CheckName(at, nameEnd);
  FAttributes.push_back({at, nameEnd - at, value, end - value, plain});
  return end + 1;
}

// The usual few attributes are compared pairwise; a hostile many are sorted.
void TXmlScanner::CheckDistinct(std::size_t at) {
  const char* b = FBuffer.data();
  const std::size_t count = FAttributes.size();
  auto nameOf = [&](const TAttribute& a) { return std::string_view(b + a.Name, a.NameLength); };
  if (count <= 8) {
    for (std::size_t i = 1; i < count; ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (nameOf(FAttributes[i]) == nameOf(FAttributes[j])) Fail(at, "duplicate attribute");
    return;
  }
  FNames.clear();
  for (const TAttribute& a : FAttributes) FNames.push_back(nameOf(a));
  std::sort(FNames.begin(), FNames.end());
  if (std::adjacent_find(FNames.begin(), FNames.end()) != FNames.end()) Fail(at, "duplicate attribute");
}

// Non-ASCII letters of a name must be whole UTF-8 characters.
void TXmlScanner::CheckName(std::size_t from, std::size_t to) const {
  const char* b = FBuffer.data();
  for (std::size_t i = from; i < to;) {
    if (static_cast<unsigned char>(b[i]) < 0x80) { ++i; continue; }
    const std::size_t length = Utf8(i, to);
    if (length == 0) Fail(i, "not well-formed (invalid token)");
    i += length;
  }
}

std::size_t TXmlScanner::StartTag(std::size_t at) {
  const char* b = FBuffer.data();
  const std::size_t n = FBuffer.size();
  if (!(ClassOf(b[at + 1]) & NameStart)) Fail(at + 1, "not well-formed (invalid token)");
  std::size_t p = at + 2;
  unsigned char high = static_cast<unsigned char>(b[at + 1]);  // a byte of a character beyond ASCII
  while (p < n && (ClassOf(b[p]) & NameChar)) high |= static_cast<unsigned char>(b[p++]);
  if (p >= n) return npos;
  const std::string_view name(b + at + 1, p - at - 1);
  FAttributes.clear();
  bool empty = false;
  for (;;) {
    std::size_t q = p;
    while (q < n && (ClassOf(b[q]) & Blank)) ++q;
    if (q >= n) return npos;
    if (b[q] == '>') { p = q + 1; break; }
    if (b[q] == '/') {
      if (q + 1 >= n) return npos;
      if (b[q + 1] != '>') Fail(q, "not well-formed (invalid token)");
      empty = true;
      p = q + 2;
      break;
    }
    if (q == p) Fail(q, "not well-formed (invalid token)");  // attributes are set apart by blanks
    std::size_t valueEnd = 0;
    p = Attribute(q, valueEnd);
    if (p == npos) return npos;
  }
  if (high & 0x80) CheckName(at + 1, at + 1 + name.size());  // an ASCII name is whole as scanned
  if (FRootClosed) Fail(at, "junk after document element");
  FRootSeen = true;

  // Names and values, each closed by a NUL, as the handlers read them.
  static constexpr const char* none[] = {nullptr};
  const char* const* pointers = none;
  if (!FAttributes.empty()) {
    FValues.clear();
    FOffsets.clear();
    for (const TAttribute& a : FAttributes) {
      FOffsets.push_back(FValues.size());
      FValues.append(b + a.Name, a.NameLength);
      FValues += '\0';
      FOffsets.push_back(FValues.size());
      if (a.Plain) FValues.append(b + a.Value, a.ValueLength);
      else Decode(a.Value, a.ValueLength, true, FValues);
      FValues += '\0';
    }
    FPointers.clear();
    for (const std::size_t offset : FOffsets) FPointers.push_back(FValues.data() + offset);
    FPointers.push_back(nullptr);
    if (FAttributes.size() > 1) CheckDistinct(at);
    pointers = FPointers.data();
  }
  FHandler.Attrs.Load(pointers);
  const std::string_view local = TXmlPartParser::TAttributes::LocalName(name);
  if (empty) {
    if (FOpenEnds.empty()) FRootClosed = true;
    FHandler.StartElement(local);
    FHandler.EndElement(local);
  } else {
    FOpen.append(name);
    FOpenEnds.push_back(FOpen.size());
    FHandler.StartElement(local);
  }
  return p;
}

std::size_t TXmlScanner::EndTag(std::size_t at) {
  const char* b = FBuffer.data();
  const std::size_t n = FBuffer.size();
  if (at + 2 >= n) return npos;
  // The usual end tag: exactly the open element's name, then ">". Its name was checked at the start.
  if (!FOpenEnds.empty()) {
    const std::size_t begin = FOpenEnds.size() > 1 ? FOpenEnds[FOpenEnds.size() - 2] : 0;
    const std::size_t length = FOpen.size() - begin;
    const char* open = FOpen.data() + begin;
    const char* name = b + at + 2;
    if (at + 2 + length < n && name[length] == '>') {
      std::size_t i = 0;
      while (i < length && name[i] == open[i]) ++i;
      if (i == length) {
        const std::string_view local = TXmlPartParser::TAttributes::LocalName(std::string_view(name, length));
        FOpen.resize(begin);
        FOpenEnds.pop_back();
        if (FOpenEnds.empty()) FRootClosed = true;
        FHandler.EndElement(local);
        return at + 3 + length;
      }
    }
  }
  if (!(ClassOf(b[at + 2]) & NameStart)) Fail(at + 2, "not well-formed (invalid token)");
  std::size_t p = at + 3;
  while (p < n && (ClassOf(b[p]) & NameChar)) ++p;
  const std::string_view name(b + at + 2, p - at - 2);
  while (p < n && (ClassOf(b[p]) & Blank)) ++p;
  if (p >= n) return npos;
  if (b[p] != '>') Fail(p, "not well-formed (invalid token)");
  if (FOpenEnds.empty()) Fail(at, FRootClosed ? "junk after document element" : "not well-formed (invalid token)");
  const std::size_t begin = FOpenEnds.size() > 1 ? FOpenEnds[FOpenEnds.size() - 2] : 0;
  if (std::string_view(FOpen).substr(begin) != name) Fail(at, "mismatched tag");
  FOpen.resize(begin);
  FOpenEnds.pop_back();
  if (FOpenEnds.empty()) FRootClosed = true;
  FHandler.EndElement(TXmlPartParser::TAttributes::LocalName(name));
  return p + 1;
}

// Characters that are taken as they stand (comments, instructions): only checked.
void TXmlScanner::CheckCharacters(std::size_t from, std::size_t to) const {
  const char* b = FBuffer.data();
  for (std::size_t i = from; i < to;) {
    const auto u = static_cast<unsigned char>(b[i]);
    if (u >= 0x80) {
      const std::size_t l = Utf8(i, to);
      if (l == 0) Fail(i, "not well-formed (invalid token)");
      i += l;
    } else {
      if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') Fail(i, "not well-formed (invalid token)");
      ++i;
    }
  }
}

// Comments, CDATA sections and the refused document type declaration.
std::size_t TXmlScanner::Bang(std::size_t at) {
  const std::string_view rest = std::string_view(FBuffer).substr(at);
  auto startsAs = [&](std::string_view what) {  // 1 yes, 0 no, -1 cannot tell yet
    const std::size_t k = std::min(what.size(), rest.size());
    if (rest.substr(0, k) != what.substr(0, k)) return 0;
    return k == what.size() ? 1 : -1;
  };
  const int comment = startsAs("<!--"), cdata = startsAs("<![CDATA["), doctype = startsAs("<!DOCTYPE");
  if (doctype == 1) Fail(at, "a document type declaration is not allowed");
  if (comment == 1) {
    const std::size_t close = rest.find("-->", 4);
    if (close == npos) return npos;
    if (rest.substr(4, close - 4).find("--") != npos || (close > 4 && rest[close - 1] == '-')) Fail(at, "not well-formed (invalid token)");
    CheckCharacters(at + 4, at + close);
    return at + close + 3;
  }
  if (cdata == 1) {
    const std::size_t close = rest.find("]]>", 9);
    if (close == npos) return npos;
    if (FOpenEnds.empty()) Fail(at, FRootClosed ? "junk after document element" : "syntax error");
    // Taken as it stands apart from line ends: checked and normalised as text without references.
    const std::size_t from = at + 9, length = close - 9;
    FDecoded.clear();
    const char* b = FBuffer.data();
    for (std::size_t i = from; i < from + length;) {
      const char c = b[i];
      const auto u = static_cast<unsigned char>(c);
      if (u >= 0x80) {
        const std::size_t l = Utf8(i, from + length);
        if (l == 0) Fail(i, "not well-formed (invalid token)");
        FDecoded.append(b + i, l);
        i += l;
      } else if (c == '\r') {
        FDecoded += '\n';
        i += i + 1 < from + length && b[i + 1] == '\n' ? 2 : 1;
      } else if (u < 0x20 && c != '\n' && c != '\t') {
        Fail(i, "not well-formed (invalid token)");
      } else {
        FDecoded += c;
        ++i;
      }
    }
    Deliver(FDecoded.data(), FDecoded.size());
    return at + close + 3;
  }
  if (comment < 0 || cdata < 0 || doctype < 0) return npos;
  Fail(at, "not well-formed (invalid token)");
}

std::size_t TXmlScanner::Instruction(std::size_t at) {
  const std::string_view rest = std::string_view(FBuffer).substr(at);
  const std::size_t close = rest.find("?>", 2);
  if (close == npos) return npos;
  std::size_t p = 2;
  while (p < close && (ClassOf(rest[p]) & NameChar)) ++p;
  const std::string_view target = rest.substr(2, p - 2);
  if (target.empty() || !(ClassOf(target[0]) & NameStart) || (p < close && !(ClassOf(rest[p]) & Blank)))
    Fail(at, "not well-formed (invalid token)");
  CheckName(at + 2, at + p);
  CheckCharacters(at + p, at + close);
  if (target == "xml") {
    if (!FAtStart) Fail(at, "XML or text declaration not at start of entity");
    if (!DeclarationWellFormed(rest.substr(5, close - 5))) Fail(at, "XML declaration not well-formed");
    const std::string_view encoding = DeclaredEncoding(rest.substr(0, close));
    if (!encoding.empty() && !Utf8Name(encoding)) Fail(at, "unknown encoding");
  } else if (SameNoCase(target, "xml")) {
    Fail(at, "reserved prefix (xml) must not be undeclared or bound to another namespace name");
  }
  return at + close + 2;
}
