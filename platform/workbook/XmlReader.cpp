#include "XmlReader.h"

#include <cstring>
#include <exception>
#include <expat.h>

#include "WorkbookError.h"

namespace workbook::detail {

namespace {

// Expat joins a namespace and a local name with this character.
constexpr char kSeparator = ' ';

void split(const char* name, std::string_view& ns, std::string_view& local) {
    const char* sep = std::strrchr(name, kSeparator);
    if (sep) {
        ns = std::string_view(name, std::size_t(sep - name));
        local = std::string_view(sep + 1);
    } else {
        ns = {};
        local = std::string_view(name);
    }
}

struct Context {
    XmlReader::Handler* handler;
    XML_Parser parser;
    std::exception_ptr error;
};

void onStart(void* data, const XML_Char* name, const XML_Char** attrs) {
    auto* c = static_cast<Context*>(data);
    try {
        std::string_view ns, local;
        split(name, ns, local);
        c->handler->start(ns, local, XmlReader::Attributes(attrs));
    } catch (...) {
        c->error = std::current_exception();
        XML_StopParser(c->parser, XML_FALSE);
    }
}

void onEnd(void* data, const XML_Char* name) {
    auto* c = static_cast<Context*>(data);
    try {
        std::string_view ns, local;
        split(name, ns, local);
        c->handler->end(ns, local);
    } catch (...) {
        c->error = std::current_exception();
        XML_StopParser(c->parser, XML_FALSE);
    }
}

void onText(void* data, const XML_Char* s, int len) {
    auto* c = static_cast<Context*>(data);
    try {
        c->handler->text(std::string_view(s, std::size_t(len)));
    } catch (...) {
        c->error = std::current_exception();
        XML_StopParser(c->parser, XML_FALSE);
    }
}

} // namespace

const char* XmlReader::Attributes::get(std::string_view local) const {
    for (const char** a = a_; *a; a += 2) {
        std::string_view ns, l;
        split(*a, ns, l);
        if (l == local)
            return a[1];
    }
    return nullptr;
}

const char* XmlReader::Attributes::get(std::string_view ns, std::string_view local) const {
    for (const char** a = a_; *a; a += 2) {
        std::string_view n, l;
        split(*a, n, l);
        if (l == local && n == ns)
            return a[1];
    }
    return nullptr;
}

XmlReader::XmlReader(Handler& handler, std::string what)
    : parser_(XML_ParserCreateNS(nullptr, kSeparator)), handler_(handler), what_(std::move(what)) {
    if (!parser_)
        throw std::bad_alloc();
}

XmlReader::~XmlReader() {
    XML_ParserFree(parser_);
}

void XmlReader::feed(const char* data, std::size_t size, bool last) {
    Context c{&handler_, parser_, nullptr};
    XML_SetUserData(parser_, &c);
    XML_SetElementHandler(parser_, onStart, onEnd);
    XML_SetCharacterDataHandler(parser_, onText);
    // Feed in pieces that fit the parser's int lengths.
    do {
        std::size_t n = std::min<std::size_t>(size, 1 << 30);
        bool final = last && n == size;
        XML_Status st = XML_Parse(parser_, data, int(n), final);
        if (c.error)
            std::rethrow_exception(c.error);
        if (st != XML_STATUS_OK)
            throw WorkbookError(what_ + " 不是正確的 XML（第 " +
                                std::to_string(XML_GetCurrentLineNumber(parser_)) + " 行：" +
                                XML_ErrorString(XML_GetErrorCode(parser_)) + "）");
        data += n;
        size -= n;
    } while (size > 0);
}

} // namespace workbook::detail
