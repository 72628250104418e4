#include "flagging/DateReader.h"

#include <array>
#include <cstdio>

namespace ledgerly {
namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"};
constexpr std::array<std::string_view, 12> kMonths = {"january", "february", "march",     "april",   "may",      "june",
                                                      "july",    "august",   "september", "october", "november", "december"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A name given whole or shortened to at least three letters ("Sep", "Sept").
template <std::size_t N>
int NameIndex(std::string_view word, const std::array<std::string_view, N>& names) {
    if (word.size() < 3) return -1;
    for (std::size_t i = 0; i < N; ++i)
        if (names[i].substr(0, word.size()) == word) return static_cast<int>(i);
    return -1;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int month, int year) {
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// Comments, nested and with quoted pairs, become spaces; an unclosed one runs
// to the end of the value.
std::string WithoutComments(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    int depth = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (depth > 0 && c == '\\' && i + 1 < value.size()) {
            ++i;
            out.push_back(' ');
            continue;
        }
        if (c == '(') ++depth;
        if (depth > 0) {
            if (c == ')') --depth;
            out.push_back(' ');
            continue;
        }
        out.push_back(c);
    }
    return out;
}

class Scanner {
public:
    explicit Scanner(std::string text) : s_(std::move(text)) {}

    void SkipBlanks() {  // spaces, tabs and commas separate the parts alike
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == ',' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }
    char Peek(std::size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++i_;
        return true;
    }
    // A run of digits: its value and its length (0 when none).
    struct Number { int value = 0; int digits = 0; };
    Number ReadNumber() {
        Number n;
        while (IsDigit(Peek())) {
            if (n.digits < 9) n.value = n.value * 10 + (Peek() - '0');
            ++n.digits;
            ++i_;
        }
        return n;
    }
    std::string ReadWord() {
        std::string w;
        while (IsAlpha(Peek())) w.push_back(Lower(s_[i_++]));
        return w;
    }
    // True when digits start here and a ':' follows them: a clock time.
    bool AtTime() const {
        std::size_t j = i_;
        while (j < s_.size() && IsDigit(s_[j])) ++j;
        const bool digits = j > i_;
        while (j < s_.size() && (s_[j] == ' ' || s_[j] == '\t')) ++j;
        return digits && j < s_.size() && s_[j] == ':';
    }
    void SkipSpaces() {
        while (Peek() == ' ' || Peek() == '\t') ++i_;
    }
    std::size_t pos() const { return i_; }
    void Reset(std::size_t pos) { i_ = pos; }

private:
    std::string s_;
    std::size_t i_ = 0;
};

bool YearFrom(Scanner::Number n, int& year) {
    switch (n.digits) {
        case 2: year = n.value < 50 ? 2000 + n.value : 1900 + n.value; return true;
        case 3: year = 1900 + n.value; return true;
        case 4: year = n.value; return true;
        default: return false;
    }
}

bool SmallNumber(Scanner::Number n, int& out) {
    if (n.digits < 1 || n.digits > 2) return false;
    out = n.value;
    return true;
}

bool ReadMonthName(Scanner& sc, int& month) {
    const int m = NameIndex(sc.ReadWord(), kMonths);
    if (m < 0) return false;
    month = m + 1;
    return true;
}

// h:mm, then optional seconds (with a fraction) and an AM/PM mark.
bool ReadTime(Scanner& sc, HeaderDateTime& t) {
    // The obsolete syntax allows white space around the colon ('15 : 05').
    if (!SmallNumber(sc.ReadNumber(), t.hour)) return false;
    sc.SkipSpaces();
    if (!sc.Take(':')) return false;
    sc.SkipSpaces();
    if (!SmallNumber(sc.ReadNumber(), t.minute)) return false;
    std::size_t back = sc.pos();
    sc.SkipSpaces();
    if (sc.Take(':')) {  // seconds, perhaps with a fraction
        sc.SkipSpaces();
        if (sc.ReadNumber().digits > 0) {
            if (sc.Peek() == '.' && IsDigit(sc.Peek(1))) {
                sc.Take('.');
                sc.ReadNumber();
            }
            back = sc.pos();
        }
    }
    sc.Reset(back);
    sc.SkipSpaces();
    const std::string mark = sc.ReadWord();
    if (mark == "am" || mark == "pm") {
        if (t.hour < 1 || t.hour > 12) return false;
        t.hour = t.hour % 12 + (mark == "pm" ? 12 : 0);
    } else {
        sc.Reset(back);
    }
    return true;
}

// The date part; `timeRead` tells whether the clock time has been read (asctime
// puts it between the day and the year).
bool ReadDate(Scanner& sc, HeaderDateTime& t, bool& timeRead) {
    sc.SkipBlanks();
    if (IsDigit(sc.Peek())) {
        const Scanner::Number first = sc.ReadNumber();
        if (sc.Peek() == '/' || (sc.Peek() == '-' && IsDigit(sc.Peek(1)))) {
            const char sep = sc.Peek();
            sc.Take(sep);
            const Scanner::Number second = sc.ReadNumber();
            if (!sc.Take(sep)) return false;
            const Scanner::Number third = sc.ReadNumber();
            if (first.digits == 4) {  // 2004-01-12, 2004/01/12
                t.year = first.value;
                return SmallNumber(second, t.month) && SmallNumber(third, t.day);
            }
            // 1/12/2004: month first
            return SmallNumber(first, t.month) && SmallNumber(second, t.day) && YearFrom(third, t.year);
        }
        if (sc.Take('-')) {  // 12-Jan-2004
            if (!SmallNumber(first, t.day) || !ReadMonthName(sc, t.month) || !sc.Take('-')) return false;
            return YearFrom(sc.ReadNumber(), t.year);
        }
        // 12 Jan 2004
        if (!SmallNumber(first, t.day)) return false;
        sc.SkipBlanks();
        if (!ReadMonthName(sc, t.month)) return false;
        sc.SkipBlanks();
        return YearFrom(sc.ReadNumber(), t.year);
    }
    // Jan 12, 2004 / Jan 12 10:00:00 2004
    if (!ReadMonthName(sc, t.month)) return false;
    sc.SkipBlanks();
    if (!SmallNumber(sc.ReadNumber(), t.day)) return false;
    sc.SkipBlanks();
    if (!timeRead && sc.AtTime()) {
        if (!ReadTime(sc, t)) return false;
        timeRead = true;
        sc.SkipBlanks();
    }
    return YearFrom(sc.ReadNumber(), t.year);
}

}  // namespace

std::optional<HeaderDateTime> ReadHeaderDate(std::string_view value) {
    Scanner sc(WithoutComments(value));
    HeaderDateTime t;
    bool timeRead = false;
    sc.SkipBlanks();
    // A weekday in front, with or without its comma.
    if (IsAlpha(sc.Peek())) {
        const std::size_t back = sc.pos();
        const std::string word = sc.ReadWord();
        if (NameIndex(word, kWeekdays) >= 0) {
            sc.Take('.');
        } else {
            sc.Reset(back);
        }
        sc.SkipBlanks();
    }
    if (sc.AtTime()) {  // 10:00 PM 1/12/2004
        if (!ReadTime(sc, t)) return std::nullopt;
        timeRead = true;
    }
    if (!ReadDate(sc, t, timeRead)) return std::nullopt;
    if (!timeRead) {
        sc.SkipBlanks();
        if ((sc.Peek() == 'T' || sc.Peek() == 't') && IsDigit(sc.Peek(1))) sc.Take(sc.Peek());
        if (!sc.AtTime() || !ReadTime(sc, t)) return std::nullopt;
    }
    if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12) return std::nullopt;
    if (t.day < 1 || t.day > DaysIn(t.month, t.year)) return std::nullopt;
    if (t.hour > 23 || t.minute > 59) return std::nullopt;
    return t;
}

std::string FormatSummaryDate(const HeaderDateTime& t) {
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d:%02d %s %d/%d/%04d", h12, t.minute, t.hour < 12 ? "AM" : "PM", t.month, t.day, t.year);
    return buf;
}

}  // namespace ledgerly
