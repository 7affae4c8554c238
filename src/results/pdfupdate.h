#pragma once
// Pages added to a finished PDF without rewriting it: the new objects, a new page tree listing the
// old pages and the new ones in order, and a cross-reference section for them are appended after
// the file's end, as a PDF's own incremental updates are. Made for what Qt's PDF writer produces
// (one page tree under the catalog, a cross-reference table); anything else is refused whole.

#include <vector>

#include <QByteArray>

class TPdfUpdate {
 public:
  // Reads the trailer and the page list of `pdf`. False, with nothing read, when the file is not
  // one this can add to.
  bool Open(const QByteArray& pdf);
  int PageCount() const { return static_cast<int>(FKids.size()); }
  // The page tree the new pages belong to (their /Parent).
  int PageTree() const { return FPageTree; }

  // A new object holding `body` (a dictionary, an array...); returns its number.
  int Add(const QByteArray& body);
  // A new stream object of `data` as it is to be stored; `keys` adds to its dictionary (e.g. its
  // /Filter). Returns its number.
  int AddStream(const QByteArray& data, const QByteArray& keys = {});
  // The page object `object` goes before the original's page `index` (PageCount(): after the
  // last), after any page put there before it.
  void InsertPage(int index, int object);

  // The bytes to append to the original file.
  QByteArray Finish() const;

 private:
  bool Read(const QByteArray& pdf);
  int Begin();  // starts the next object, returning its number

  qint64 FBase = 0;          // the original's length: where the appended bytes begin
  bool FNeedsNewline = false;
  qint64 FPreviousXref = 0;
  int FFirstNew = 0, FNext = 0;
  int FPageTree = 0;
  QByteArray FRoot, FInfo, FId;  // the trailer's references, kept as they were written
  std::vector<int> FKids;
  std::vector<std::vector<int>> FBefore;  // the new pages before each original page (and after the last)
  QByteArray FBody;                       // the new objects
  std::vector<qint64> FOffsets;           // of each new object, in FBody
};
