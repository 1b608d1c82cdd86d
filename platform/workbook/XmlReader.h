#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace workbook::detail {

// A streaming XML parser (over expat) that reports elements by namespace and
// local name, so that prefixes chosen by the writer do not matter. External
// entities are never loaded.
class XmlReader {
  public:
    // Attributes of a start tag: pairs of name ("namespace local" or "local")
    // and value, ending with a null name.
    class Attributes {
      public:
        explicit Attributes(const char** a) : a_(a) {}
        // The value of the attribute with this local name (any namespace), or
        // nullptr.
        const char* get(std::string_view local) const;
        // The value of the attribute with this namespace and local name, or nullptr.
        const char* get(std::string_view ns, std::string_view local) const;

      private:
        const char** a_;
    };

    class Handler {
      public:
        virtual ~Handler() = default;
        virtual void start(std::string_view ns, std::string_view local,
                           const Attributes& attrs) = 0;
        virtual void end(std::string_view ns, std::string_view local) = 0;
        virtual void text(std::string_view chars) = 0;
    };

    // what: the name the error messages give the document ("xl/worksheets/sheet1.xml").
    XmlReader(Handler& handler, std::string what);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Feeds the next bytes; last marks the end of the document. Throws
    // WorkbookError for text that is not well-formed XML, and passes on what
    // the handler throws.
    void feed(const char* data, std::size_t size, bool last);

  private:
    XML_ParserStruct* parser_;
    Handler& handler_;
    std::string what_;
};

} // namespace workbook::detail
