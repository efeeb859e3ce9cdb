#include "ui/options_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/string_table.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "settings/field_mapping.h"
#include "ui/field_lists.h"
#include "ui/help.h"

using namespace vemra;

namespace {

// A real list box of the kind the Options dialog has (unsorted, single selection).
class ListBox {
public:
    ListBox()
        : m_window(CreateWindowExA(0, "ListBox", "", WS_POPUP | LBS_NOTIFY, 0, 0, 100, 100, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr)) {}
    ~ListBox() { DestroyWindow(m_window); }
    HWND Get() const { return m_window; }
    int Count() const { return static_cast<int>(SendMessageA(m_window, LB_GETCOUNT, 0, 0)); }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (int i = 0; i < Count(); ++i) ids.push_back(static_cast<int>(SendMessageA(m_window, LB_GETITEMDATA, i, 0)));
        return ids;
    }
    std::string Text(int index) const {
        char text[128] = {};
        SendMessageA(m_window, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    void Remove(int index) const { SendMessageA(m_window, LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

private:
    HWND m_window;
};

}  // namespace

TEST(FieldLists, SimpleListSkipsEmptySlotsAndReadsBackRemovalsAsTrailingSlots) {
    CFieldMapping mapping;
    const int32_t order[kSimpleFieldCount] = {5, 0, 23, 1, 2, 3, 4, 7, 8, 9, 10};
    std::copy(std::begin(order), std::end(order), mapping.m_simple);
    ListBox list;
    ASSERT_TRUE(list.Get());
    SendMessageA(list.Get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left over"));
    FillSimpleList(mapping, list.Get());
    EXPECT_EQ(list.Ids(), (std::vector<int>{5, 0, 1, 2, 3, 4, 7, 8, 9, 10}));
    EXPECT_EQ(list.Text(0), LoadResString(IDS_FIELD_TEXT));
    EXPECT_EQ(list.Text(1), LoadResString(IDS_FIELD_DATE));
    list.Remove(0);   // Text
    list.Remove(8);   // Repeat, now the last
    ReadSimpleList(mapping, list.Get());
    EXPECT_EQ(std::vector<int>(std::begin(mapping.m_simple), std::end(mapping.m_simple)),
              (std::vector<int>{0, 1, 2, 3, 4, 7, 8, 9, 23, 23, 23}));
}

TEST(FieldLists, RepeatListReadsBackItsOrderButOnlyWhenComplete) {
    CFieldMapping mapping;
    ListBox list;
    ASSERT_TRUE(list.Get());
    FillRepeatList(mapping, list.Get());
    ASSERT_EQ(list.Count(), kRepeatFieldCount);
    // Moving the last item to the top, as a drag does.
    const std::string text = list.Text(11);
    list.Remove(11);
    SendMessageA(list.Get(), LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list.Get(), LB_SETITEMDATA, 0, fieldMonthlyWeekIndex);
    ReadRepeatList(mapping, list.Get());
    EXPECT_EQ(std::vector<int>(std::begin(mapping.m_repeat), std::end(mapping.m_repeat)),
              (std::vector<int>{22, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}));
    // A list short of a field would give error codes as IDs: the order stays.
    list.Remove(0);
    ReadRepeatList(mapping, list.Get());
    EXPECT_EQ(mapping.m_repeat[0], 22);
    EXPECT_EQ(mapping.m_repeat[11], 21);
}

TEST(OptionsHelp, EveryControlWithHelpHasAPartOfTheOptionsPage) {
    std::ifstream in(std::string(VEMRA_SOURCE_ROOT) + "/docs/help/options.html");
    ASSERT_TRUE(in);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int id : {IDC_SEPARATOR, IDC_DESKTOP_BUTTON, IDC_NO_DUPLICATES, IDC_IGNORE_ERRORS, IDC_FROM, IDC_TO,
                   IDC_FULL_FORMAT, IDC_SIMPLE_FORMAT, IDC_SIMPLE_LIST, IDC_REPEAT_LIST, IDC_EXPORT_NO_CR,
                   IDC_EXCEPTION_SEPARATOR, IDC_RESTORE_DEFAULT, IDC_QUOTE, IDC_DEFAULT_LENGTH}) {
        const std::string topic = HelpTopic(0x50000 + static_cast<DWORD>(id));
        ASSERT_EQ(topic.rfind("options.html#", 0), 0u) << id;
        EXPECT_NE(page.find("id=\"" + topic.substr(topic.find('#') + 1) + "\""), std::string::npos) << topic;
    }
    EXPECT_EQ(HelpTopic(0x50000 + 9999), "");
}
