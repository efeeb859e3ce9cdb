#include "ui/data_exchange.h"

#include <gtest/gtest.h>

#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/win_handles.h"
#include "res/string_ids.h"
#include "tests/test_support.h"

using namespace vemra;

namespace {

enum { kText = 10, kNumber = 11, kCheck = 12, kRadio1 = 13, kRadio2 = 14, kRadio3 = 15, kOtherGroup = 16 };

// Controls as a dialog template would make them, in a hidden window.
class DataExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parent.Reset(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_parent);
        Add("EDIT", kText, 0);
        Add("EDIT", kNumber, 0);
        Add("BUTTON", kCheck, BS_AUTOCHECKBOX);
        Add("BUTTON", kRadio1, BS_AUTORADIOBUTTON | WS_GROUP);
        Add("BUTTON", kRadio2, BS_AUTORADIOBUTTON);
        Add("BUTTON", kRadio3, BS_AUTORADIOBUTTON);
        Add("BUTTON", kOtherGroup, BS_AUTORADIOBUTTON | WS_GROUP);
    }
    void Add(const char* cls, int id, DWORD style) {
        CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 50, 20, m_parent.Get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    void SetText(int id, const char* text) { SetDlgItemTextA(m_parent.Get(), id, text); }
    HWND Item(int id) { return GetDlgItem(m_parent.Get(), id); }

    CWindowHandle m_parent;
    test::MessageCapture m_messages;
};

}  // namespace

TEST_F(DataExchangeTest, ValuesGoToTheControlsAndComeBack) {
    std::string text = "abc";
    int number = 42;
    bool checked = true;
    int radio = 2;
    CDataExchange load(m_parent.Get(), false);
    load.Text(kText, text);
    load.Text(kNumber, number);
    load.Check(kCheck, checked);
    load.Radio(kRadio1, radio);
    EXPECT_EQ(SendMessageA(Item(kRadio3), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(Item(kOtherGroup), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    SetText(kText, "typed");
    SetText(kNumber, " 17 ");
    SendMessageA(Item(kCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(Item(kRadio3), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(Item(kRadio1), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(Item(kOtherGroup), BM_SETCHECK, BST_CHECKED, 0);   // another group: not counted
    CDataExchange save(m_parent.Get(), true);
    save.Text(kText, text);
    save.Text(kNumber, number);
    save.Check(kCheck, checked);
    save.Radio(kRadio1, radio);
    EXPECT_FALSE(save.Failed());
    EXPECT_EQ(text, "typed");
    EXPECT_EQ(number, 17);
    EXPECT_FALSE(checked);
    EXPECT_EQ(radio, 0);
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(DataExchangeTest, BadNumbersAndRangesStopTheExchangeWithTheStandardMessage) {
    struct Case {
        const char* typed;
        std::string message;
    };
    const std::string notInteger = LoadResString(IDS_ENTER_INTEGER);
    const std::string range = FormatText(LoadResString(IDS_ENTER_INTEGER_BETWEEN).c_str(), 1, 999);
    const Case cases[] = {{"", notInteger},     {"x", notInteger},  {"1.5", notInteger}, {"12abc", notInteger},
                          {"99999999999", notInteger}, {"0", range}, {"1000", range},     {"-3", range}};
    for (const Case& c : cases) {
        m_messages.messages.clear();
        SetText(kNumber, c.typed);
        SetText(kText, "after");
        int number = 60;
        std::string text = "before";
        CDataExchange save(m_parent.Get(), true);
        save.Text(kNumber, number);
        save.MinMax(kNumber, number, 1, 999);
        save.Text(kText, text);   // skipped after the failure
        EXPECT_TRUE(save.Failed()) << c.typed;
        EXPECT_EQ(text, "before") << c.typed;
        EXPECT_EQ(m_messages.messages, std::vector<std::string>{c.message}) << c.typed;
    }
    for (const char* good : {"1", "999", "60"}) {
        SetText(kNumber, good);
        int number = 0;
        CDataExchange save(m_parent.Get(), true);
        save.Text(kNumber, number);
        save.MinMax(kNumber, number, 1, 999);
        EXPECT_FALSE(save.Failed()) << good;
        EXPECT_EQ(std::to_string(number), good);
    }
}

TEST_F(DataExchangeTest, TextLongerThanAllowedFails) {
    for (const auto& [typed, fails] : {std::pair{"", false}, {";", false}, {";;", true}}) {
        m_messages.messages.clear();
        SetText(kText, typed);
        std::string value;
        CDataExchange save(m_parent.Get(), true);
        save.Text(kText, value);
        save.MaxChars(kText, value, 1);
        EXPECT_EQ(save.Failed(), fails) << typed;
        EXPECT_EQ(m_messages.messages.size(), fails ? 1u : 0u) << typed;
    }
}
