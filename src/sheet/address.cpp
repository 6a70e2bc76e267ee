#include "sheet/address.h"

#include "geometry/error.h"

#include <algorithm>
#include <charconv>

namespace tesk::sheet {

namespace {

[[noreturn]] void RefuseAddress(std::string_view text) {
    throw geometry::RuntimeError(geometry::ErrorCode::Output,
                              "not a cell address: \"" + std::string(text) + "\"");
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool RangeAddress::Contains(CellAddress cell) const {
    return cell.Row >= First.Row && cell.Row <= Last.Row && cell.Column >= First.Column &&
           cell.Column <= Last.Column;
}

bool RangeAddress::Contains(const RangeAddress& other) const {
    return Contains(other.First) && Contains(other.Last);
}

bool RangeAddress::Intersects(const RangeAddress& other) const {
    return First.Row <= other.Last.Row && other.First.Row <= Last.Row &&
           First.Column <= other.Last.Column && other.First.Column <= Last.Column;
}

RangeAddress RangeAddress::MovedTo(CellAddress topLeft) const {
    return {topLeft, {topLeft.Row + RowCount() - 1, topLeft.Column + ColumnCount() - 1}};
}

std::string ColumnLetters(int column) {
    if (column < 1 || column > kMaxColumn) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                  "column " + std::to_string(column) + " is outside the sheet");
    }
    // Bijective base 26: there is no zero digit, so Z is 26 and the next column is AA.
    std::string letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

int ColumnNumber(std::string_view letters) {
    if (letters.empty() || letters.size() > 3 ||
        !std::all_of(letters.begin(), letters.end(), IsLetter)) {
        RefuseAddress(letters);
    }
    int column = 0;
    for (char c : letters) {
        const char upper = (c >= 'a') ? static_cast<char>(c - 'a' + 'A') : c;
        column = column * 26 + (upper - 'A' + 1);
    }
    if (column > kMaxColumn) {
        RefuseAddress(letters);
    }
    return column;
}

std::string CellName(int row, int column) {
    if (row < 1 || row > kMaxRow) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                  "row " + std::to_string(row) + " is outside the sheet");
    }
    return ColumnLetters(column) + std::to_string(row);
}

std::string CellName(CellAddress cell) {
    return CellName(cell.Row, cell.Column);
}

std::string RangeName(const RangeAddress& range) {
    if (range.First == range.Last) {
        return CellName(range.First);
    }
    return CellName(range.First) + ":" + CellName(range.Last);
}

CellAddress ParseCell(std::string_view text) {
    std::size_t pos = 0;
    auto skipDollar = [&] {
        if (pos < text.size() && text[pos] == '$') {
            ++pos;
        }
    };
    skipDollar();
    const std::size_t lettersStart = pos;
    while (pos < text.size() && IsLetter(text[pos])) {
        ++pos;
    }
    const std::string_view letters = text.substr(lettersStart, pos - lettersStart);
    skipDollar();
    const std::string_view digits = text.substr(pos);
    if (letters.empty() || digits.empty() || digits.size() > 7 ||
        !std::all_of(digits.begin(), digits.end(), IsDigit)) {
        RefuseAddress(text);
    }
    int row = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), row);
    if (row < 1 || row > kMaxRow) {
        RefuseAddress(text);
    }
    return {row, ColumnNumber(letters)};
}

RangeAddress ParseRange(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        const CellAddress cell = ParseCell(text);
        return {cell, cell};
    }
    const CellAddress a = ParseCell(text.substr(0, colon));
    const CellAddress b = ParseCell(text.substr(colon + 1));
    return {{std::min(a.Row, b.Row), std::min(a.Column, b.Column)},
            {std::max(a.Row, b.Row), std::max(a.Column, b.Column)}};
}

ColumnSpan ParseColumns(std::string_view text) {
    auto one = [&](std::string_view part) {
        if (!part.empty() && part.front() == '$') {
            part.remove_prefix(1);
        }
        return ColumnNumber(part);
    };
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        const int column = one(text);
        return {column, column};
    }
    const int a = one(text.substr(0, colon));
    const int b = one(text.substr(colon + 1));
    return {std::min(a, b), std::max(a, b)};
}

} // namespace tesk::sheet
