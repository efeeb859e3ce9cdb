#include "formats/row_file.h"

#include <climits>

#include "platform/text.h"

int CRowFile::GetInt(int& n) {
    long value = n;
    const int result = GetInt(value);
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    n = static_cast<int>(value);
    return result;
}

int CRowFile::GetFlag(long& flag) {
    std::string text;
    const int result = GetText(text);
    flag = vemra::Trim(text).empty() ? 0 : 1;
    return result < 0 && result != -2 ? -1 : 0;
}
