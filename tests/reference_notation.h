// The notation checked a second way, by cutting the text into its pieces
// rather than scanning it, so that the two can be held against each other.
#ifndef CONSTCHECK_REFERENCE_NOTATION_H
#define CONSTCHECK_REFERENCE_NOTATION_H

#include <algorithm>
#include <string>

inline bool referenceIsConstant(const std::string& text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || text.back() == '.') {
        return false;
    }
    const std::string body = text[0] == '-' ? text.substr(1) : text;
    if (!body.empty() && body[0] == '.') {
        return false;
    }
    const std::size_t e = body.find('e');
    const std::string mantissa = body.substr(0, e);
    if (e != std::string::npos) {
        const std::string exponent = body.substr(e + 1);
        if (exponent.empty() || (exponent[0] != '+' && exponent[0] != '-') ||
            !std::all_of(exponent.begin() + 1, exponent.end(), isDigit)) {
            return false;
        }
    }
    return std::count(mantissa.begin(), mantissa.end(), '.') <= 1 &&
           std::all_of(mantissa.begin(), mantissa.end(), [&](char c) { return isDigit(c) || c == '.'; });
}

#endif
