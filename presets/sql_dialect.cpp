#include "presets/sql_dialect.h"

#include <sqlite3.h>

#include <cctype>

namespace krm {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// "select top N rest" as "select rest limit N"; anything else unchanged.
std::string translateTop(std::string_view statement) {
    constexpr std::string_view kSelectTop = "select top ";
    if (statement.size() < kSelectTop.size() ||
        !EqualNoCase(statement.substr(0, kSelectTop.size()), kSelectTop))
        return std::string(statement);
    const std::string_view rest = statement.substr(kSelectTop.size());
    std::size_t digits = 0;
    while (digits < rest.size() && isDigit(rest[digits]))
        ++digits;
    // "top" must be followed by a count and then the columns; anything else is left for
    // the engine to reject with its own message.
    if (digits == 0 || digits + 1 >= rest.size() || rest[digits] != ' ')
        return std::string(statement);
    std::string translated = "select ";
    translated += rest.substr(digits + 1);
    translated += " limit ";
    translated += rest.substr(0, digits);
    return translated;
}

// Quotes a reserved word where it names the statement's table.
std::string quoteReservedTables(std::string_view statement) {
    std::string out;
    out.reserve(statement.size() + 2);
    bool inLiteral = false;
    bool tableNext = false;
    std::size_t i = 0;
    while (i < statement.size()) {
        const char c = statement[i];
        if (inLiteral || c == '\'') {
            // A doubled quote closes and reopens the literal: its state comes out right.
            if (c == '\'')
                inLiteral = !inLiteral;
            out += c;
            tableNext = false;
            ++i;
            continue;
        }
        if (isWordChar(c)) {
            std::size_t end = i;
            while (end < statement.size() && isWordChar(statement[end]))
                ++end;
            const std::string_view word = statement.substr(i, end - i);
            const bool reserved =
                sqlite3_keyword_check(word.data(), static_cast<int>(word.size())) != 0;
            if (tableNext && reserved && !isDigit(word.front())) {
                out += '"';
                out += word;
                out += '"';
            } else {
                out += word;
            }
            tableNext = EqualNoCase(word, "from") || EqualNoCase(word, "into") ||
                        EqualNoCase(word, "update");
            i = end;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c)) == 0)
            tableNext = false;
        out += c;
        ++i;
    }
    return out;
}

} // namespace

std::string ToSqliteDialect(std::string_view statement) {
    return quoteReservedTables(translateTop(statement));
}

std::string SqlQuoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (const char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace krm
