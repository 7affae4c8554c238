#pragma once
// A UTF-8 XML scanner for the parts of spreadsheet packages, fed in pieces as they are inflated.
// It delivers the same events as the expat path of TXmlPartParser (names with their prefix, which
// the handler strips; attributes as name/value pairs; character data with entities and CDATA
// resolved, line ends and attribute blanks normalised) at a fraction of the cost, since a sheet
// part is megabytes of the same few small elements. It is strict where a fault could change what
// is read: tags must nest and close, attributes must be quoted, distinct and free of "<",
// references must name a known entity or a character XML allows, bytes must be UTF-8 and
// characters ones XML allows, and a document type declaration is refused. Faults throw
// EWorkbookError naming the part and line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/formats/xmlpartparser.h"

class TXmlScanner {
 public:
  TXmlScanner(const std::string& part, TXmlPartParser::THandler& handler);
  TXmlScanner(const TXmlScanner&) = delete;
  TXmlScanner& operator=(const TXmlScanner&) = delete;

  void Feed(const char* data, std::size_t size);
  // After the last piece: the document must be complete.
  void Finish();

  // Whether a document beginning with head is one this scanner reads: UTF-8, by its byte-order
  // mark or its declaration (or lack of one). Others go to expat, which converts them.
  static bool ReadsDocument(std::string_view head);

 private:
  struct TAttribute {
    std::size_t Name, NameLength, Value, ValueLength;
    bool Plain;  // no reference, no blank to normalise
  };

  // Scans complete constructs from FBuffer; returns where the first incomplete one starts.
  std::size_t Scan(bool last);
  // Each returns the position after the construct, or npos when the buffer ends inside it.
  std::size_t Text(std::size_t at, bool last);
  std::size_t StartTag(std::size_t at);
  std::size_t EndTag(std::size_t at);
  std::size_t Bang(std::size_t at);
  std::size_t Instruction(std::size_t at);
  std::size_t Attribute(std::size_t at, std::size_t& end);
  void CheckName(std::size_t from, std::size_t to) const;
  void CheckDistinct(std::size_t at);
  void CheckCharacters(std::size_t from, std::size_t to) const;

  // Checks the characters of [at, at + length) and appends their reading (references resolved,
  // line ends or, in attribute values, blanks normalised) to out.
  void Decode(std::size_t at, std::size_t length, bool attribute, std::string& out);
  // Checks characters that need no decoding; returns the first that does (or length).
  std::size_t CheckPlain(std::size_t at, std::size_t length, bool attribute) const;
  std::size_t Reference(std::size_t at, std::size_t end, std::string& out);
  std::size_t Utf8(std::size_t at, std::size_t end) const;
  void Deliver(const char* text, std::size_t length);

  [[noreturn]] void Fail(std::size_t at, const char* what) const;

  std::string FPart;
  TXmlPartParser::THandler& FHandler;
  std::string FBuffer;               // unscanned input
  std::size_t FLinesBefore = 0;      // line ends in input already dropped from FBuffer
  std::size_t FWait = 0;             // buffer size at which a cut construct is tried again
  bool FStarted = false;             // past the byte-order mark
  bool FAtStart = false;             // nothing but the mark read yet
  bool FStalled = false;             // text was delivered up to the end of the input so far
  bool FRootSeen = false, FRootClosed = false;
  std::string FOpen;                 // names of the open elements, one after another
  std::vector<std::size_t> FOpenEnds;
  std::vector<TAttribute> FAttributes;
  std::string FValues;               // attribute names and values, each closed by a NUL
  std::vector<std::size_t> FOffsets;  // of each name and value in FValues
  std::vector<const char*> FPointers;
  std::vector<std::string_view> FNames;
  std::string FDecoded;
};
