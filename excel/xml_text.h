#pragma once
// The XML of workbook parts: a pull reader over a whole UTF-8 document and the escaping the
// writer needs. The reader knows elements, attributes, text, CDATA, comments and processing
// instructions, the five predefined entities and character references; a document type
// declaration (and with it any entity of its own) is refused, so no entity can expand.

#include <string>
#include <string_view>
#include <vector>

namespace vemra {

class CXmlReader {
public:
    enum Token { start, end, text, done, error };
    static constexpr std::size_t kMaxDepth = 256;

    explicit CXmlReader(std::string_view document) : m_doc(document) {
        if (m_doc.starts_with("\xEF\xBB\xBF")) m_at = 3;   // a byte order mark some writers put first
    }
    // The next token. An empty element gives start and then end.
    Token Next();
    // The element's local name (without its namespace prefix), for start and end.
    std::string_view Name() const { return m_name; }
    // An attribute of the current start element by local name, with its references resolved.
    bool Attribute(std::string_view localName, std::string& value) const;
    // The text of a text token, references resolved.
    const std::string& Text() const { return m_text; }
    std::size_t Depth() const { return m_stack.size(); }
    // Skips the rest of the current element (after its start): false on a malformed document.
    bool SkipElement();

private:
    Token Fail() { return m_state = error; }
    Token StartTag();
    bool Markup(Token& token);

    std::string_view m_doc;
    std::size_t m_at = 0;
    Token m_state = start;
    bool m_bPendingEnd = false;
    bool m_bSeenRoot = false;
    std::string_view m_name;
    std::vector<std::pair<std::string_view, std::string_view>> m_attributes;   // local name, raw value
    std::vector<std::string_view> m_stack;
    std::string m_text;
};

// Resolves the references of raw text or attribute values into out; false on a malformed one.
bool XmlUnescape(std::string_view raw, std::string& out);

// Appends text as UTF-8 escaped for element content and attribute values. Characters XML 1.0
// cannot carry (control characters, lone surrogates) and text that looks like such an escape
// are written in the workbook form _xHHHH_.
void XmlAppendEscaped(std::string& out, std::u16string_view text);
// UTF-8 text read from a workbook as UTF-16, with the workbook form _xHHHH_ resolved.
std::u16string XmlTextToUtf16(std::string_view utf8);

}  // namespace vemra
