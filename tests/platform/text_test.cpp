#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/console.h"

using namespace vemra;

// Names typed in another letter case find the user; names that differ in a letter do not.
TEST(Text, EqualsNoCaseTextFoldsEveryLetterOfTheCodePage) {
    struct Case { const char* a; const char* b; bool same; };
    const Case cases1252[] = {
        {"J\xDCRGEN M\xDCLLER", "J\xFCrgen M\xFCller", true},
        {"\x9F" "VES", "\xFF" "ves", true},          // Y with diaeresis, only in 1252's upper half
        {"\x8A" "KODA", "\x9A" "koda", true},        // S with caron
        {"J\xDCRGEN", "Jurgen", false},
        {"Stra\xDF" "e", "STRASSE", false},         // no multi-letter folding
        {"Anna", "Anna ", false},
    };
    for (const Case& c : cases1252)
        EXPECT_EQ(EqualsNoCaseText(FileTextToSystem(c.a), FileTextToSystem(c.b)), c.same) << c.a << " / " << c.b;
#ifndef _WIN32
    const Case utf8[] = {
        {"\xC5\x81\xC3\x93" "D\xC5\xB9", "\xC5\x82\xC3\xB3" "d\xC5\xBA", true},              // ŁÓDŹ / łódź
        {"\xD0\x9F\xD0\x81\xD0\xA2\xD0\xA0", "\xD0\xBF\xD1\x91\xD1\x82\xD1\x80", true},      // ПЁТР / пётр
        {"\xCE\xA3\xCE\xA9", "\xCF\x83\xCF\x89", true},                                      // ΣΩ / σω
        {"\xC4\xB0", "i", false},                                                            // dotted capital I
    };
    for (const Case& c : utf8) EXPECT_EQ(EqualsNoCaseText(c.a, c.b), c.same) << c.a << " / " << c.b;
#endif
}

// Text from a file reaches the terminal without moving the cursor or retitling the window.
TEST(Text, ConsoleTextEscapesControlCharacters) {
    const struct { const char* text; bool utf8; const char* shown; } cases[] = {
        {"Line 3\n\"a\"\t\"b\"", true, "Line 3\n\"a\"\t\"b\""},
        {"\x1B]0;owned\x07title", true, "\\x1B]0;owned\\x07title"},
        {"a\rb\x7F", false, "a\\x0Db\\x7F"},
        {"\xC2\x9B" "31m \xC3\xA4", true, "\\x9B31m \xC3\xA4"},   // C1 CSI; a letter stays
        {"\x80\x9B", false, "\x80\x9B"},                          // 1252's upper half is text
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeControls(c.text, c.utf8), c.shown) << c.text;
}
