#include "formats/row_file.h"

#include <climits>

int CRowFile::GetInt(int& n) {
    long value = n;
    const int result = GetInt(value);
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    n = static_cast<int>(value);
    return result;
}
