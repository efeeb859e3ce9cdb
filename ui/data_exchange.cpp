#include "ui/data_exchange.h"

#include <commctrl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {
std::string ControlText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

bool IsRadioButton(HWND control) {
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}
}  // namespace

void CDataExchange::Fail(int id, const std::string& message) {
    m_bFailed = true;
    ShowMessage(message, MessageButtons::ok, MessageIcon::warning);
    if (const HWND control = GetDlgItem(m_hDialog, id)) {
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

void CDataExchange::Text(int id, std::string& value) {
    if (Skip()) return;
    const HWND control = GetDlgItem(m_hDialog, id);
    if (m_bSaveAndValidate)
        value = ControlText(control);
    else
        SetWindowTextA(control, value.c_str());
}

void CDataExchange::Text(int id, int& value) {
    if (Skip()) return;
    const HWND control = GetDlgItem(m_hDialog, id);
    if (!m_bSaveAndValidate) {
        SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    const std::string text = Trim(ControlText(control));
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        Fail(id, LoadResString(IDS_ENTER_INTEGER));
        return;
    }
    value = static_cast<int>(number);
}

void CDataExchange::Check(int id, bool& value) {
    if (Skip()) return;
    const HWND control = GetDlgItem(m_hDialog, id);
    if (m_bSaveAndValidate)
        value = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        SendMessageA(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CDataExchange::Radio(int firstId, int& index) {
    if (Skip()) return;
    // The group: the first button and the radio buttons after it up to the next group start.
    std::vector<HWND> buttons;
    for (HWND control = GetDlgItem(m_hDialog, firstId); control && IsRadioButton(control);
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (!buttons.empty() && (GetWindowLongA(control, GWL_STYLE) & WS_GROUP)) break;
        buttons.push_back(control);
    }
    if (m_bSaveAndValidate) index = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (m_bSaveAndValidate) {
            if (SendMessageA(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) index = static_cast<int>(i);
        } else {
            SendMessageA(buttons[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void CDataExchange::DateTime(int id, SYSTEMTIME& value) {
    if (Skip()) return;
    const HWND control = GetDlgItem(m_hDialog, id);
    if (m_bSaveAndValidate) {
        SYSTEMTIME read{};
        if (SendMessageA(control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&read)) == GDT_VALID) value = read;
    } else {
        SendMessageA(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
    }
}

void CDataExchange::MaxChars(int id, const std::string& value, int count) {
    if (Skip()) return;
    if (!m_bSaveAndValidate) {
        SendMessageA(GetDlgItem(m_hDialog, id), EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
        return;
    }
    if (value.size() > static_cast<std::size_t>(count))
        Fail(id, FormatText(LoadResString(IDS_ENTER_AT_MOST_CHARS).c_str(), count));
}

void CDataExchange::NotEmpty(int id, const std::string& value, unsigned messageId) {
    if (Skip() || !m_bSaveAndValidate) return;
    if (value.empty()) Fail(id, LoadResString(messageId));
}

void CDataExchange::MinMax(int id, int value, int minimum, int maximum) {
    if (Skip() || !m_bSaveAndValidate) return;
    if (value < minimum || value > maximum)
        Fail(id, FormatText(LoadResString(IDS_ENTER_INTEGER_BETWEEN).c_str(), minimum, maximum));
}

}  // namespace vemra
