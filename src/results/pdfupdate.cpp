#include "results/pdfupdate.h"

#include <algorithm>

#include <QRegularExpression>
#include <QString>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

// Reads whitespace-separated tokens of a cross-reference table.
class TTokens {
 public:
  TTokens(const QByteArray& bytes, qint64 at) : FBytes(bytes), FAt(at) {}
  QByteArray Next() {
    while (FAt < FBytes.size() && IsSpace(FBytes[FAt])) ++FAt;
    const qint64 start = FAt;
    while (FAt < FBytes.size() && !IsSpace(FBytes[FAt])) ++FAt;
    return FBytes.mid(start, FAt - start);
  }
  qint64 At() const { return FAt; }

 private:
  const QByteArray& FBytes;
  qint64 FAt;
};

QByteArray Captured(const QByteArray& text, const QString& pattern, int group = 1) {
  const QRegularExpressionMatch m = QRegularExpression(pattern).match(QString::fromLatin1(text));
  return m.hasMatch() ? m.captured(group).toLatin1() : QByteArray();
}

}  // namespace

bool TPdfUpdate::Open(const QByteArray& pdf) {
  *this = TPdfUpdate();
  if (Read(pdf)) return true;
  *this = TPdfUpdate();
  return false;
}

bool TPdfUpdate::Read(const QByteArray& pdf) {
  if (!pdf.startsWith("%PDF-")) return false;
  const qsizetype startxref = pdf.lastIndexOf("startxref");
  if (startxref < 0) return false;
  TTokens tail(pdf, startxref + 9);
  bool ok = false;
  const qint64 xref = tail.Next().toLongLong(&ok);
  if (!ok || xref <= 0 || xref >= startxref) return false;

  // The cross-reference table: the offset of every object in use.
  TTokens tokens(pdf, xref);
  if (tokens.Next() != "xref") return false;
  std::vector<qint64> offsets;
  for (QByteArray token = tokens.Next(); token != "trailer"; token = tokens.Next()) {
    bool firstOk = false, countOk = false;
    const int first = token.toInt(&firstOk);
    const int count = tokens.Next().toInt(&countOk);
    if (!firstOk || !countOk || first < 0 || count < 0 || first + count > 10'000'000) return false;
    if (offsets.size() < std::size_t(first + count)) offsets.resize(std::size_t(first + count), -1);
    for (int i = 0; i < count; ++i) {
      const qint64 offset = tokens.Next().toLongLong(&ok);
      tokens.Next();
      const QByteArray kind = tokens.Next();
      if (!ok || (kind != "n" && kind != "f")) return false;
      if (kind == "n") offsets[std::size_t(first + i)] = offset;
    }
  }
  const QByteArray trailer = pdf.mid(tokens.At(), startxref - tokens.At());
  if (trailer.contains("/Encrypt")) return false;
  const int size = Captured(trailer, QStringLiteral("/Size\\s+(\\d+)")).toInt();
  FRoot = Captured(trailer, QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)"));
  FInfo = Captured(trailer, QStringLiteral("/Info\\s+(\\d+\\s+\\d+\\s+R)"));
  FId = Captured(trailer, QStringLiteral("/ID\\s*(\\[[^\\]]*\\])"));
  if (size <= 0 || FRoot.isEmpty()) return false;

  // An object's text, from its header to its end.
  const auto object = [&](int number) -> QByteArray {
    if (number <= 0 || std::size_t(number) >= offsets.size() || offsets[std::size_t(number)] < 0) return {};
    const qint64 at = offsets[std::size_t(number)];
    const qsizetype end = pdf.indexOf("endobj", at);
    if (end < 0) return {};
    const QByteArray text = pdf.mid(at, end - at);
    return text.startsWith(QByteArray::number(number) + " 0 obj") ? text : QByteArray();
  };
  const QByteArray catalog = object(FRoot.split(' ').first().toInt());
  FPageTree = Captured(catalog, QStringLiteral("/Pages\\s+(\\d+)\\s+0\\s+R")).toInt();
  const QByteArray tree = object(FPageTree);
  if (!tree.contains("/Pages") || tree.contains("/Parent")) return false;
  const QByteArray kids = Captured(tree, QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]"));
  const QRegularExpression reference(QStringLiteral("(\\d+)\\s+0\\s+R"));
  for (auto it = reference.globalMatch(QString::fromLatin1(kids)); it.hasNext();) FKids.push_back(it.next().captured(1).toInt());
  if (FKids.empty() || Captured(tree, QStringLiteral("/Count\\s+(\\d+)")).toInt() != PageCount()) return false;
  // Leaves only: a page tree under another would take its new pages in the wrong place.
  const QRegularExpression page(QStringLiteral("/Type\\s*/Page\\b"));
  for (int kid : FKids)
    if (!page.match(QString::fromLatin1(object(kid))).hasMatch()) return false;

  FBase = pdf.size();
  FNeedsNewline = !pdf.endsWith('\n');
  FPreviousXref = xref;
  FFirstNew = FNext = size;
  FBefore.assign(FKids.size() + 1, {});
  return true;
}

int TPdfUpdate::Begin() {
  FOffsets.push_back(FBody.size());
  FBody += QByteArray::number(FNext) + " 0 obj\n";
  return FNext++;
}

int TPdfUpdate::Add(const QByteArray& body) {
  const int number = Begin();
  FBody += body;
  FBody += "\nendobj\n";
  return number;
}

int TPdfUpdate::AddStream(const QByteArray& data, const QByteArray& keys) {
  const int number = Begin();
  FBody += "<< /Length " + QByteArray::number(data.size()) + (keys.isEmpty() ? "" : " ") + keys + " >>\nstream\n";
  FBody += data;
  FBody += "\nendstream\nendobj\n";
  return number;
}

void TPdfUpdate::InsertPage(int index, int object) {
  if (FBefore.empty()) return;
  FBefore[std::size_t(std::clamp(index, 0, PageCount()))].push_back(object);
}

QByteArray TPdfUpdate::Finish() const {
  QByteArray out;
  if (FNeedsNewline) out += '\n';
  const qint64 start = FBase + out.size();
  out += FBody;

  // The page tree again, under its old number, listing every page in order.
  const qint64 treeAt = FBase + out.size();
  QByteArray kids;
  int count = 0;
  for (std::size_t i = 0; i < FBefore.size(); ++i) {
    for (int page : FBefore[i]) {
      kids += QByteArray::number(page) + " 0 R\n";
      ++count;
    }
    if (i < FKids.size()) {
      kids += QByteArray::number(FKids[i]) + " 0 R\n";
      ++count;
    }
  }
  out += QByteArray::number(FPageTree) + " 0 obj\n<<\n/Type /Pages\n/Kids [\n" + kids + "]\n/Count " +
         QByteArray::number(count) + "\n>>\nendobj\n";

  const qint64 xref = FBase + out.size();
  const auto entry = [](qint64 offset) { return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n"; };
  out += "xref\n" + QByteArray::number(FPageTree) + " 1\n" + entry(treeAt);
  if (FNext > FFirstNew) {
    out += QByteArray::number(FFirstNew) + ' ' + QByteArray::number(FNext - FFirstNew) + '\n';
    for (qint64 offset : FOffsets) out += entry(start + offset);
  }
  out += "trailer\n<<\n/Size " + QByteArray::number(FNext) + "\n/Root " + FRoot + "\n";
  if (!FInfo.isEmpty()) out += "/Info " + FInfo + "\n";
  if (!FId.isEmpty()) out += "/ID " + FId + "\n";
  out += "/Prev " + QByteArray::number(FPreviousXref) + "\n>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  return out;
}
