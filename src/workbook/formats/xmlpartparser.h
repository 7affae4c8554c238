#pragma once
// Parses XML parts of a zip package as they are inflated: UTF-8 parts (all that spreadsheet
// programs write) with our own scanner, others with expat, which converts their encoding. Element
// names reach the handler without their namespace prefix. A document type declaration is refused,
// so no entity definitions can be smuggled in. Faults throw EWorkbookError naming the part and
// line (the caller adds the file).

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include <expat.h>

class TZipReader;

class TXmlPartParser {
 public:
  // The attributes of the element being started, valid only during StartElement.
  class TAttributes {
   public:
    void Load(const char* const* atts) { FAtts = atts; }
    const char* Find(std::string_view name) const;
    std::string_view Get(std::string_view name) const;  // "" when absent
    // Whether any attribute of that local name (of whichever namespace) has that value.
    bool Has(std::string_view name, std::string_view value) const;
    // Inline: every element of a sheet part, start and end, passes through it.
    static std::string_view LocalName(std::string_view name) {
      for (std::size_t i = name.size(); i > 0; --i)
        if (name[i - 1] == ':') return name.substr(i);
      return name;
    }
    // Every attribute as the file wrote it (name with its prefix), in order.
    template <class TVisit>
    void ForEach(TVisit visit) const {
      for (const char* const* a = FAtts; a && a[0]; a += 2) visit(std::string_view(a[0]), std::string_view(a[1]));
    }
    // The same with the NUL-terminated texts themselves, valid during StartElement only.
    template <class TVisit>
    void ForEachRaw(TVisit visit) const {
      for (const char* const* a = FAtts; a && a[0]; a += 2) visit(a[0], a[1]);
    }

   private:
    const char* const* FAtts = nullptr;
  };

  class THandler {
   public:
    virtual ~THandler() = default;
    virtual void StartElement(std::string_view name) = 0;
    virtual void EndElement(std::string_view) {}
    // What a handler took of the bytes the scanner offered: nothing (Bytes 0), a whole element with
    // all it holds, or only the start tag of an element that stays open, whose name is then
    // OpenName bytes long and whose content and end tag come to the handler as usual.
    struct TTaken { std::size_t Bytes = 0, OpenName = 0; };
    // The bytes of a start tag inside the document element, up to the end of the input so far: a
    // handler may take an element it knows there. It may take only bytes that are well-formed XML
    // as they stand, and must handle them exactly as the scanner's events would. (Expat never
    // offers any.)
    virtual TTaken TakeElement(const char*, std::size_t) { return {}; }
    void Characters(const char* text, int length) {
      if (Collecting) Text.append(text, static_cast<std::size_t>(length));
    }
    TAttributes Attrs;

   protected:
    bool Collecting = false;  // while set, character data gathers in Text
    std::string Text;
  };

  static void Parse(const TZipReader& zip, const std::string& part, THandler& handler);
  // Always with expat, whatever the encoding: the reference the scanner is compared against.
  static void ParseWithExpat(const TZipReader& zip, const std::string& part, THandler& handler);
  // Only that the part is well-formed XML.
  static void Check(const TZipReader& zip, const std::string& part);

 private:
  TXmlPartParser(const std::string& part, THandler& handler);
  ~TXmlPartParser();
  TXmlPartParser(const TXmlPartParser&) = delete;
  TXmlPartParser& operator=(const TXmlPartParser&) = delete;

  void Run(const TZipReader& zip);
  void Feed(const char* data, std::size_t size, bool last);

  template <class TCall>
  static void Guard(void* self, TCall call);
  static void OnStart(void* self, const XML_Char* name, const XML_Char** atts);
  static void OnEnd(void* self, const XML_Char* name);
  static void OnCharacters(void* self, const XML_Char* text, int length);
  static void OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int);

  std::string FPart;
  THandler& FHandler;
  XML_Parser FParser;
  std::exception_ptr FFailure;  // a handler's exception, carried across the C library
  bool FDoctype = false;
};
