#include "excel/xml_text.h"

#include "platform/utf8.h"

namespace vemra {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameEnd(char c) { return IsSpace(c) || c == '/' || c == '>' || c == '=' || c == '<'; }

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsXmlChar(unsigned long c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of _xHHHH_ at text[at], or -1.
long EscapeAt(std::u16string_view text, std::size_t at) {
    if (at + 7 > text.size() || text[at] != u'_' || text[at + 1] != u'x' || text[at + 6] != u'_') return -1;
    long v = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int d = text[i] < 128 ? HexDigit(static_cast<char>(text[i])) : -1;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

}  // namespace

bool XmlUnescape(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r') {   // line ends read as line feeds
            out += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
            continue;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        const std::size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) return false;
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        if (ref == "lt") out += '<';
        else if (ref == "gt") out += '>';
        else if (ref == "amp") out += '&';
        else if (ref == "quot") out += '"';
        else if (ref == "apos") out += '\'';
        else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty()) return false;
            unsigned long v = 0;
            for (char d : digits) {
                const int n = hex ? HexDigit(d) : (d >= '0' && d <= '9' ? d - '0' : -1);
                if (n < 0) return false;
                v = v * (hex ? 16 : 10) + static_cast<unsigned long>(n);
                if (v > 0x10FFFF) return false;
            }
            if (!IsXmlChar(v)) return false;
            AppendUtf8(out, static_cast<char32_t>(v));
        } else {
            return false;
        }
        i = semi;
    }
    return true;
}

CXmlReader::Token CXmlReader::Next() {
    if (m_state == error || m_state == done) return m_state;
    if (m_bPendingEnd) {
        m_bPendingEnd = false;
        m_stack.pop_back();
        return m_state = end;
    }
    while (m_at < m_doc.size()) {
        if (m_doc[m_at] == '<') {
            Token token = start;
            if (Markup(token)) return m_state = token;
            if (m_state == error) return error;
            continue;
        }
        std::size_t next = m_doc.find('<', m_at);
        if (next == std::string_view::npos) next = m_doc.size();
        const std::string_view raw = m_doc.substr(m_at, next - m_at);
        m_at = next;
        if (m_stack.empty()) {
            for (char c : raw)
                if (!IsSpace(c)) return Fail();
            continue;
        }
        if (!XmlUnescape(raw, m_text)) return Fail();
        return m_state = text;
    }
    return m_stack.empty() ? m_state = done : Fail();
}

// Comments and processing instructions are passed over (false with the state unchanged);
// anything else gives its token.
bool CXmlReader::Markup(Token& token) {
    const std::string_view rest = m_doc.substr(m_at);
    auto skipTo = [&](std::string_view close) {
        const std::size_t at = m_doc.find(close, m_at);
        if (at == std::string_view::npos) return Fail(), false;
        m_at = at + close.size();
        return true;
    };
    if (rest.starts_with("<?")) return skipTo("?>"), false;
    if (rest.starts_with("<!--")) return skipTo("-->"), false;
    if (rest.starts_with("<![CDATA[")) {
        if (m_stack.empty()) return Fail(), false;
        const std::size_t close = m_doc.find("]]>", m_at + 9);
        if (close == std::string_view::npos) return Fail(), false;
        m_text.assign(m_doc.substr(m_at + 9, close - m_at - 9));
        m_at = close + 3;
        token = text;
        return true;
    }
    if (rest.starts_with("<!")) return Fail(), false;   // document types and their entities
    if (rest.starts_with("</")) {
        std::size_t i = m_at + 2;
        while (i < m_doc.size() && !IsNameEnd(m_doc[i])) ++i;
        const std::string_view name = m_doc.substr(m_at + 2, i - m_at - 2);
        while (i < m_doc.size() && IsSpace(m_doc[i])) ++i;
        if (i >= m_doc.size() || m_doc[i] != '>' || m_stack.empty() || m_stack.back() != name) return Fail(), false;
        m_stack.pop_back();
        m_name = LocalName(name);
        m_at = i + 1;
        token = end;
        return true;
    }
    token = StartTag();
    return token != error;
}

CXmlReader::Token CXmlReader::StartTag() {
    if (m_stack.empty() && m_bSeenRoot) return Fail();   // a second root element
    std::size_t i = m_at + 1;
    while (i < m_doc.size() && !IsNameEnd(m_doc[i])) ++i;
    const std::string_view name = m_doc.substr(m_at + 1, i - m_at - 1);
    if (name.empty() || m_stack.size() >= kMaxDepth) return Fail();
    m_attributes.clear();
    for (;;) {
        const std::size_t before = i;
        while (i < m_doc.size() && IsSpace(m_doc[i])) ++i;
        if (i >= m_doc.size()) return Fail();
        if (m_doc[i] == '>') {
            ++i;
            break;
        }
        if (m_doc[i] == '/') {
            if (i + 1 >= m_doc.size() || m_doc[i + 1] != '>') return Fail();
            i += 2;
            m_bPendingEnd = true;
            break;
        }
        if (i == before) return Fail();   // attributes are separated by white space
        const std::size_t nameAt = i;
        while (i < m_doc.size() && !IsNameEnd(m_doc[i])) ++i;
        const std::string_view attribute = m_doc.substr(nameAt, i - nameAt);
        while (i < m_doc.size() && IsSpace(m_doc[i])) ++i;
        if (attribute.empty() || i >= m_doc.size() || m_doc[i] != '=') return Fail();
        ++i;
        while (i < m_doc.size() && IsSpace(m_doc[i])) ++i;
        if (i >= m_doc.size() || (m_doc[i] != '"' && m_doc[i] != '\'')) return Fail();
        const std::size_t close = m_doc.find(m_doc[i], i + 1);
        if (close == std::string_view::npos) return Fail();
        const std::string_view value = m_doc.substr(i + 1, close - i - 1);
        if (value.find('<') != std::string_view::npos) return Fail();
        m_attributes.emplace_back(LocalName(attribute), value);
        i = close + 1;
    }
    m_at = i;
    m_stack.push_back(name);
    m_bSeenRoot = true;
    m_name = LocalName(name);
    return start;
}

bool CXmlReader::Attribute(std::string_view localName, std::string& value) const {
    for (const auto& [name, raw] : m_attributes)
        if (name == localName) return XmlUnescape(raw, value);
    value.clear();
    return false;
}

bool CXmlReader::SkipElement() {
    const std::size_t depth = m_stack.size();
    while (m_stack.size() >= depth) {
        const Token t = Next();
        if (t == error || t == done) return false;
        if (t == end && m_stack.size() < depth) return true;
    }
    return true;
}

void XmlAppendEscaped(std::string& out, std::u16string_view text) {
    static const char* const kHex = "0123456789ABCDEF";
    auto escape = [&](unsigned v) {
        out += "_x";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
        out += '_';
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'&': out += "&amp;"; continue;
        case u'<': out += "&lt;"; continue;
        case u'>': out += "&gt;"; continue;
        case u'"': out += "&quot;"; continue;
        case u'\t':
        case u'\n': out += static_cast<char>(c); continue;
        case u'\r': out += "&#13;"; continue;
        default: break;
        }
        if (c == u'_' && EscapeAt(text, i) >= 0) {
            escape(c);   // a text that reads like an escape keeps its underscore
        } else if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) {
            escape(c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, static_cast<char32_t>(0x10000 + ((static_cast<unsigned long>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            escape(c);
        } else {
            AppendUtf8(out, c);
        }
    }
}

std::u16string XmlTextToUtf16(std::string_view utf8) {
    const std::u16string out = Utf8ToUtf16(utf8, BadBytes::replace);
    // The workbook form of characters XML cannot carry.
    std::u16string result;
    result.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const long v = out[i] == u'_' ? EscapeAt(out, i) : -1;
        if (v >= 0) {
            result += static_cast<char16_t>(v);
            i += 6;
        } else {
            result += out[i];
        }
    }
    return result;
}

}  // namespace vemra
