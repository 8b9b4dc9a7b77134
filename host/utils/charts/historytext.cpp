#include "historytext.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace Utils {
namespace Charts {

namespace {

const char Magic[] = "history";
const char Version[] = "1";
constexpr std::uint64_t QuietNanBits = 0x7ff8000000000000ULL;
constexpr std::uint64_t SignBit = 0x8000000000000000ULL;

std::uint64_t bitsOf(double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

double fromBits(std::uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void appendNumber(std::string &out, double d)
{
    char buffer[40];
    if (std::isnan(d)) {
        const std::uint64_t bits = bitsOf(d);
        if ((bits & ~SignBit) == QuietNanBits) {
            out += (bits & SignBit) ? "-nan" : "nan";
            return;
        }
        // Any other NaN keeps its whole bit pattern.
        out += "nan(";
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
        out.append(buffer, r.ptr);
        out += ')';
        return;
    }
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
    out.append(buffer, r.ptr);
}

class Reader
{
public:
    Reader(const char *begin, const char *end, char separator)
        : m_pos(begin)
        , m_end(end)
        , m_separator(separator)
    {}

    bool atEnd() const { return m_done; }
    std::size_t remaining() const { return std::size_t(m_end - m_pos); }

    // The next field; false when there is none left.
    bool next(const char *&begin, const char *&end)
    {
        if (m_done)
            return false;
        begin = m_pos;
        const void *hit = std::memchr(m_pos, m_separator, std::size_t(m_end - m_pos));
        if (hit) {
            end = static_cast<const char *>(hit);
            m_pos = end + 1;
        } else {
            end = m_end;
            m_pos = m_end;
            m_done = true;
        }
        return true;
    }

    bool word(const char *expected)
    {
        const char *b;
        const char *e;
        return next(b, e) && std::size_t(e - b) == std::strlen(expected)
            && std::memcmp(b, expected, std::size_t(e - b)) == 0;
    }

    bool count(std::size_t &value)
    {
        const char *b;
        const char *e;
        if (!next(b, e) || b == e)
            return false;
        unsigned long long v = 0;
        const auto r = std::from_chars(b, e, v);
        if (r.ec != std::errc() || r.ptr != e)
            return false;
        value = std::size_t(v);
        return true;
    }

    bool number(double &value)
    {
        const char *b;
        const char *e;
        if (!next(b, e) || b == e)
            return false;
        const char *p = b;
        const bool negative = *p == '-';
        if (negative)
            ++p;
        if (e - p >= 3 && std::memcmp(p, "nan", 3) == 0)
            return nan(p + 3, e, negative, value);
        const auto r = std::from_chars(b, e, value, std::chars_format::general);
        return r.ec == std::errc() && r.ptr == e && !std::isnan(value);
    }

private:
    static bool nan(const char *p, const char *e, bool negative, double &value)
    {
        if (p == e) {
            value = fromBits(QuietNanBits | (negative ? SignBit : 0));
            return true;
        }
        if (negative || *p != '(' || e[-1] != ')' || e - p < 3)
            return false;
        std::uint64_t bits = 0;
        const auto r = std::from_chars(p + 1, e - 1, bits, 16);
        if (r.ec != std::errc() || r.ptr != e - 1)
            return false;
        value = fromBits(bits);
        return std::isnan(value);
    }

    const char *m_pos;
    const char *m_end;
    char m_separator;
    bool m_done = false;
};

} // namespace

bool isValidHistorySeparator(QChar separator)
{
    const ushort c = separator.unicode();
    if (c == '\t')
        return true;
    if (c <= ' ' || c >= 127)
        return false;
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return false;
    return !std::strchr("+-.()?", char(c));
}

QString historyToString(const std::vector<const ChartHistory *> &rows, QChar separator)
{
    if (!isValidHistorySeparator(separator))
        separator = QLatin1Char(';');
    const char sep = char(separator.unicode());
    std::size_t points = 0;
    for (const ChartHistory *row : rows)
        points += row->size();

    std::string out;
    out.reserve(32 + rows.size() * 24 + points * 64);
    out += Magic;
    out += sep;
    out += Version;
    out += sep;
    out += std::to_string(rows.size());
    for (const ChartHistory *row : rows) {
        out += sep;
        out += std::to_string(row->size());
        for (std::size_t i = 0; i < row->size(); ++i) {
            out += sep;
            appendNumber(out, row->time(i));
            out += sep;
            appendNumber(out, row->value(i, ChartHistory::Value));
            out += sep;
            appendNumber(out, row->value(i, ChartHistory::Analog));
        }
    }
    return QString::fromLatin1(out.data(), int(out.size()));
}

bool historyFromString(const QString &text, QChar separator, std::size_t expectedRows,
                       std::vector<ChartHistory> &rows)
{
    if (!isValidHistorySeparator(separator))
        return false;
    // Characters beyond Latin-1 turn into '?', which no field accepts.
    const QByteArray latin = text.toLatin1();
    Reader reader(latin.constData(), latin.constData() + latin.size(),
                  char(separator.unicode()));

    std::size_t rowCount = 0;
    if (!reader.word(Magic) || !reader.word(Version) || !reader.count(rowCount)
        || rowCount != expectedRows)
        return false;

    std::vector<ChartHistory> parsed(rowCount);
    for (ChartHistory &row : parsed) {
        std::size_t count = 0;
        if (!reader.count(count))
            return false;
        // Every point needs at least six characters: three digits, three separators.
        if (count > reader.remaining() / 6 + 1)
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            double t;
            double v;
            double a;
            if (!reader.number(t) || !reader.number(v) || !reader.number(a))
                return false;
            if (!row.append(t, v, a))
                return false;
        }
    }
    if (!reader.atEnd())
        return false;
    rows = std::move(parsed);
    return true;
}

} // namespace Charts
} // namespace Utils
