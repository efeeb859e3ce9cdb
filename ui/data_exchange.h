#pragma once
// Moves values between a dialog's members and its controls, in the order the dialog's
// DoDataExchange lists them. Saving checks what it reads; the first failure shows the standard
// message, puts the focus on that control and skips the rest of the exchange.

#include <windows.h>

#include <string>

namespace vemra {

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) : m_hDialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

    bool SaveAndValidate() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }

    void Text(int id, std::string& value);
    void Text(int id, int& value);   // saving: the text must be an integer
    void Check(int id, bool& value);
    // A group of radio buttons starting at firstId: the index of the checked one, -1 for none.
    void Radio(int firstId, int& index);
    // A date-time picker's date and time of day.
    void DateTime(int id, SYSTEMTIME& value);

    // Validations, after the exchange of the same control.
    void MaxChars(int id, const std::string& value, int count);
    void MinMax(int id, int value, int minimum, int maximum);
    // Saving: an empty text fails with the string table's text messageId.
    void NotEmpty(int id, const std::string& value, unsigned messageId);

private:
    bool Skip() const { return m_bFailed; }
    void Fail(int id, const std::string& message);

    HWND m_hDialog;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};

}  // namespace vemra
