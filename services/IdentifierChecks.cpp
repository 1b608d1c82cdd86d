#include "IdentifierChecks.h"

namespace services {

namespace {
bool digit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

bool CheckBANO(std::string_view b) {
    if (b.size() != 8)
        return false;
    for (char c : b)
        if (!digit(c))
            return false;
    if (b == "00000000")
        return false;
    static const int weights[8] = {1, 2, 1, 2, 1, 2, 4, 1};
    int sum = 0;
    for (int i = 0; i < 8; ++i) {
        int p = (b[std::size_t(i)] - '0') * weights[i];
        sum += p / 10 + p % 10;
    }
    if (sum % 10 == 0)
        return true;
    return b[6] == '7' && (sum + 1) % 10 == 0;
}

bool CheckRocID(std::string_view id) {
    if (id.empty())
        return true;
    if (id.size() != 10)
        return false;
    char letter = id[0];
    if (letter >= 'a' && letter <= 'z')
        letter = char(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return false;
    for (std::size_t i = 1; i < 10; ++i)
        if (!digit(id[i]))
            return false;
    static const int codes[26] = {10, 11, 12, 13, 14, 15, 16, 17, 34, 18, 19, 20, 21,
                                  22, 35, 23, 24, 25, 26, 27, 28, 29, 32, 30, 31, 33};
    int c = codes[letter - 'A'];
    int sum = c / 10 + 9 * (c % 10);
    for (std::size_t i = 1; i <= 8; ++i)
        sum += int(9 - i) * (id[i] - '0');
    sum += id[9] - '0';
    return sum % 10 == 0;
}

bool InvoiceNumCheck(std::string_view s) {
    if (s.empty())
        return true;
    if (s.size() != 10)
        return false;
    for (std::size_t i = 0; i < 2; ++i)
        if (s[i] < 'A' || s[i] > 'Z')
            return false;
    for (std::size_t i = 2; i < 10; ++i)
        if (!digit(s[i]))
            return false;
    return true;
}

} // namespace services
