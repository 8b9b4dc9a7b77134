#include "utils/charts/historytext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

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

// Reads the fields of the text in place; each field is copied into a small
// buffer, refusing any character beyond ASCII.
// A long history's text is tens of megabytes; faulting it in as 2 MB pages
// instead of 4 kB ones saves most of the time spent writing it.
void adviseHugePages(QString &text)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const std::uintptr_t end = begin + std::uintptr_t(text.capacity()) * sizeof(QChar);
    const std::uintptr_t first = (begin + Huge - 1) & ~(Huge - 1);
    const std::uintptr_t last = end & ~(Huge - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(text)
#endif
}

class Reader
{
public:
    Reader(const QChar *begin, const QChar *end, QChar separator)
        : m_pos(begin)
        , m_end(end)
        , m_separator(separator)
    {}

    bool atEnd() const { return m_done; }
    std::size_t remaining() const { return std::size_t(m_end - m_pos); }

    // The next field; false when there is none left or it is not plain ASCII.
    bool next(const char *&begin, const char *&end)
    {
        if (m_done)
            return false;
        std::size_t length = 0;
        while (m_pos != m_end && *m_pos != m_separator) {
            const ushort c = m_pos->unicode();
            if (c >= 128 || length == sizeof m_field)
                return false;
            m_field[length++] = char(c);
            ++m_pos;
        }
        if (m_pos == m_end)
            m_done = true;
        else
            ++m_pos;
        begin = m_field;
        end = m_field + length;
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

    const QChar *m_pos;
    const QChar *m_end;
    QChar m_separator;
    bool m_done = false;
    char m_field[64];
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

    // Fresh memory is slow to touch the first time, so the text is formatted
    // into a small buffer that stays in the cache and appended to the result,
    // whose untouched reserve costs nothing. A number takes at most 24 characters.
    QString text;
    text.reserve(int(std::min<std::size_t>(64 + rows.size() * 24 + points * 78,
                                           std::size_t(std::numeric_limits<int>::max() / 2))));
    adviseHugePages(text);
    std::string buffer;
    buffer.reserve(1 << 16);
    auto flush = [&] {
        text.append(QLatin1String(buffer.data(), int(buffer.size())));
        buffer.clear();
    };
    buffer += Magic;
    buffer += sep;
    buffer += Version;
    buffer += sep;
    buffer += std::to_string(rows.size());
    for (const ChartHistory *row : rows) {
        buffer += sep;
        buffer += std::to_string(row->size());
        for (std::size_t i = 0; i < row->size(); ++i) {
            buffer += sep;
            appendNumber(buffer, row->time(i));
            buffer += sep;
            appendNumber(buffer, row->value(i, ChartHistory::Value));
            buffer += sep;
            appendNumber(buffer, row->value(i, ChartHistory::Analog));
            if (buffer.size() > (1 << 16) - 128)
                flush();
        }
    }
    flush();
    return text;
}

bool historyFromString(const QString &text, QChar separator, std::size_t expectedRows,
                       std::vector<ChartHistory> &rows)
{
    if (!isValidHistorySeparator(separator))
        return false;
    Reader reader(text.constData(), text.constData() + text.size(), separator);

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
