#include "platform/utf8.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

using namespace vemra;

// A byte that starts no valid sequence is one character of its own under each policy, so that
// an overlong form, a surrogate or a code point past U+10FFFF never reaches UTF-16 as one.
TEST(Utf8, BadBytesStandForThemselvesAsThePolicySays) {
    struct Case {
        const char* bytes;
        std::u16string latin1, windows1252, replace;
    };
    const Case cases[] = {
        {"a\xC3\xA9", u"a\u00E9", u"a\u00E9", u"a\u00E9"},
        {"\xF0\x9F\x98\x80", u"\U0001F600", u"\U0001F600", u"\U0001F600"},
        {"\x80", u"\u0080", u"\u20AC", u"\uFFFD"},
        {"\xC0\x80", u"\u00C0\u0080", u"\u00C0\u20AC", u"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080", u"\u00ED\u00A0\u20AC", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080", u"\u00F4\u0090\u20AC\u20AC", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xE2\x82", u"\u00E2\u0082", u"\u00E2\u201A", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes, BadBytes::latin1), c.latin1) << c.bytes;
        EXPECT_EQ(Utf8ToUtf16(c.bytes, BadBytes::windows1252), c.windows1252) << c.bytes;
        EXPECT_EQ(Utf8ToUtf16(c.bytes, BadBytes::replace), c.replace) << c.bytes;
    }
#ifndef _WIN32
    EXPECT_EQ(SystemTextToUtf16("\xED\xA0\x80"), u"\u00ED\u00A0\u20AC");
#endif
}
