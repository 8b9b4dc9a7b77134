#include "utils/charts/historytext.h"

#include <algorithm>
#include <array>
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
const char Version1[] = "1";
const char Version2[] = "2";
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
    // Whole numbers not ending in 0 (times, their differences) are written the
    // same way as digits of an integer, which is much faster to produce; one
    // ending in 0 may be shorter in the exponent form.
    if (d == std::trunc(d) && std::abs(d) < 9007199254740992.0 && !(d == 0.0)) {
        const auto n = std::int64_t(d);
        if (n % 10 != 0) {
            const auto r = std::to_chars(buffer, buffer + sizeof buffer, n);
            out.append(buffer, r.ptr);
            return;
        }
    }
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
    out.append(buffer, r.ptr);
}

// Whether the number of v can be shorter than a place among the recent values
// below 10 (two characters): only whole numbers from -9 to 99 are.
bool mayBeShort(double v)
{
    return v == std::trunc(v) && v >= -9.0 && v <= 99.0;
}

// A long history's text is tens of megabytes; faulting it in as 2 MB pages
// instead of 4 kB ones saves most of the time spent writing it.
void adviseHugePages(const void *data, std::size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + bytes;
    const std::uintptr_t first = (begin + Huge - 1) & ~(Huge - 1);
    const std::uintptr_t last = end & ~(Huge - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(data)
    Q_UNUSED(bytes)
#endif
}

unsigned int codeOf(QChar c)
{
    return c.unicode();
}

unsigned int codeOf(char c)
{
    return static_cast<unsigned char>(c);
}

// The last distinct values of one series, most recent first, by bit pattern:
// version 2 writes `r<k>` for entry k where that is shorter than the number.
class RecentValues
{
public:
    static constexpr int Capacity = 16;

    int size() const { return m_size; }
    double at(int k) const { return fromBits(m_bits[std::size_t(k)]); }
    int find(double v) const
    {
        const std::uint64_t bits = bitsOf(v);
        for (int k = 0; k < m_size; ++k) {
            if (m_bits[std::size_t(k)] == bits)
                return k;
        }
        return -1;
    }
    // Puts v first; the entry it had (k, from find()), or the oldest one when
    // it had none (k < 0), makes room.
    void use(double v, int k)
    {
        if (k < 0)
            k = m_size < Capacity ? m_size++ : Capacity - 1;
        // Rotated through a carry rather than moved as a block: a move of a few
        // bytes per point is slower than the loop.
        std::uint64_t carry = bitsOf(v);
        for (int j = 0; j <= k; ++j)
            std::swap(carry, m_bits[std::size_t(j)]);
    }

private:
    std::array<std::uint64_t, Capacity> m_bits{};
    int m_size = 0;
};

// Reads the fields of the text in place, from UTF-16 or from bytes; each field
// is copied into a small buffer, refusing any character beyond ASCII.
template <typename Char>
class Reader
{
public:
    Reader(const Char *begin, const Char *end, char separator)
        : m_pos(begin)
        , m_end(end)
        , m_separator(static_cast<unsigned char>(separator))
    {}

    bool atEnd() const { return m_done; }
    std::size_t remaining() const { return std::size_t(m_end - m_pos); }

    // The next field; false when there is none left or it is not plain ASCII.
    bool next(const char *&begin, const char *&end)
    {
        if (m_done)
            return false;
        std::size_t length = 0;
        while (m_pos != m_end && codeOf(*m_pos) != m_separator) {
            const unsigned int c = codeOf(*m_pos);
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
        return next(b, e) && parse(b, e, value);
    }

    // A time of version 2: a difference from `previous`, or `t` and the time itself.
    bool time(double previous, double &value)
    {
        const char *b;
        const char *e;
        if (!next(b, e))
            return false;
        if (b != e && *b == 't')
            return parse(b + 1, e, value);
        double difference;
        if (!parse(b, e, difference) || !(difference >= 0.0))
            return false;
        value = previous + difference;
        return true;
    }

    // A value of version 2: a number, nothing for the previous point's value, or
    // `r<k>` for entry k of the recent values; it becomes the most recent one.
    bool value(RecentValues &recent, double &out)
    {
        const char *b;
        const char *e;
        if (!next(b, e))
            return false;
        if (b != e && *b != 'r') {
            if (!parse(b, e, out))
                return false;
            recent.use(out, recent.find(out));
            return true;
        }
        std::size_t k = 0;
        if (b != e) {
            const auto r = std::from_chars(b + 1, e, k);
            if (b + 1 == e || r.ec != std::errc() || r.ptr != e)
                return false;
        }
        if (k >= std::size_t(recent.size()))
            return false;
        out = recent.at(int(k));
        recent.use(out, int(k));
        return true;
    }

private:
    static bool parse(const char *b, const char *e, double &value)
    {
        if (b == e)
            return false;
        // Up to 15 plain digits are an exact integer: the common case of times.
        if (e - b <= 15) {
            std::int64_t n = 0;
            const char *d = b;
            while (d != e && *d >= '0' && *d <= '9')
                n = n * 10 + (*d++ - '0');
            if (d == e) {
                value = double(n);
                return true;
            }
        }
        const char *p = b;
        const bool negative = *p == '-';
        if (negative)
            ++p;
        if (e - p >= 3 && std::memcmp(p, "nan", 3) == 0)
            return nan(p + 3, e, negative, value);
        const auto r = std::from_chars(b, e, value, std::chars_format::general);
        return r.ec == std::errc() && r.ptr == e && !std::isnan(value);
    }

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

    const Char *m_pos;
    const Char *m_end;
    unsigned int m_separator;
    bool m_done = false;
    char m_field[64];
};

bool sameBits(double a, double b)
{
    return bitsOf(a) == bitsOf(b);
}

void appendTo(QString &text, const std::string &part)
{
    text.append(QLatin1String(part.data(), int(part.size())));
}

void appendTo(std::string &text, const std::string &part)
{
    text += part;
}

// Writes version 2: times as differences from the point before, values left
// out where they repeat the point before or named by their place among the
// recent ones where that is shorter. Text is a QString or a std::string.
template <typename Text>
class Writer
{
public:
    Writer(char separator, std::size_t expectedLength)
        : m_separator(separator)
    {
        // Fresh memory is slow to touch the first time, so the text is formatted
        // into a small buffer that stays in the cache and appended to the result,
        // whose untouched reserve costs nothing.
        const std::size_t most = std::size_t(std::numeric_limits<int>::max() / 2);
        m_text.reserve(int(std::min(expectedLength, most)));
        adviseHugePages(m_text.data(), std::size_t(m_text.capacity()) * sizeof(*m_text.data()));
        m_buffer.reserve(BufferSize);
    }

    void header(std::size_t rows)
    {
        m_buffer += Magic;
        m_buffer += m_separator;
        m_buffer += Version2;
        m_buffer += m_separator;
        m_buffer += std::to_string(rows);
    }

    void row(const ChartHistory &row)
    {
        m_buffer += m_separator;
        m_buffer += std::to_string(row.size());
        double previous = 0.0;
        RecentValues recent[2];
        for (std::size_t i = 0; i < row.size(); ++i) {
            const double t = row.time(i);
            m_buffer += m_separator;
            const double difference = t - previous;
            if (difference >= 0.0 && sameBits(previous + difference, t)) {
                appendNumber(m_buffer, difference);
            } else {
                m_buffer += 't';
                appendNumber(m_buffer, t);
            }
            previous = t;
            for (ChartHistory::Series s : {ChartHistory::Value, ChartHistory::Analog}) {
                m_buffer += m_separator;
                appendValue(recent[s], row.value(i, s));
            }
            if (m_buffer.size() > BufferSize - 128)
                flush();
        }
    }

    Text finish()
    {
        flush();
        return std::move(m_text);
    }

private:
    static constexpr std::size_t BufferSize = 1 << 16;

    // The shortest of the number, nothing (the previous value) and `r<k>`.
    void appendValue(RecentValues &recent, double v)
    {
        const int k = recent.find(v);
        recent.use(v, k);
        if (k == 0)
            return;
        if (k > 0 && k < 10 && !mayBeShort(v)) {
            m_buffer += 'r';
            m_buffer += char('0' + k);
            return;
        }
        const std::size_t start = m_buffer.size();
        appendNumber(m_buffer, v);
        if (k > 0 && m_buffer.size() - start > (k < 10 ? 2u : 3u)) {
            m_buffer.resize(start);
            m_buffer += 'r';
            if (k >= 10)
                m_buffer += '1';
            m_buffer += char('0' + k % 10);
        }
    }

    void flush()
    {
        appendTo(m_text, m_buffer);
        m_buffer.clear();
    }

    char m_separator;
    Text m_text;
    std::string m_buffer;
};

template <typename Char>
bool readRow1(Reader<Char> &reader, std::size_t count, ChartHistory &row)
{
    for (std::size_t i = 0; i < count; ++i) {
        double t;
        double v;
        double a;
        if (!reader.number(t) || !reader.number(v) || !reader.number(a) || !row.append(t, v, a))
            return false;
    }
    return true;
}

template <typename Char>
bool readRow2(Reader<Char> &reader, std::size_t count, ChartHistory &row)
{
    double t = 0.0;
    double v = 0.0;
    double a = 0.0;
    RecentValues recent[2];
    for (std::size_t i = 0; i < count; ++i) {
        if (!reader.time(t, t) || !reader.value(recent[ChartHistory::Value], v)
            || !reader.value(recent[ChartHistory::Analog], a) || !row.append(t, v, a))
            return false;
    }
    return true;
}

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

namespace {

template <typename Text>
Text historyText(const std::vector<const ChartHistory *> &rows, QChar separator)
{
    if (!isValidHistorySeparator(separator))
        separator = QLatin1Char(';');
    std::size_t points = 0;
    for (const ChartHistory *row : rows)
        points += row->size();
    Writer<Text> writer(char(separator.unicode()), 64 + rows.size() * 24 + points * 30);
    writer.header(rows.size());
    for (const ChartHistory *row : rows)
        writer.row(*row);
    return writer.finish();
}

} // namespace

QString historyToString(const std::vector<const ChartHistory *> &rows, QChar separator)
{
    return historyText<QString>(rows, separator);
}

std::string historyToUtf8(const std::vector<const ChartHistory *> &rows, QChar separator)
{
    return historyText<std::string>(rows, separator);
}

namespace {

template <typename Char>
bool readHistory(const Char *begin, const Char *end, QChar separator, std::size_t expectedRows,
                 std::vector<ChartHistory> &rows)
{
    if (!isValidHistorySeparator(separator))
        return false;
    Reader<Char> reader(begin, end, char(separator.unicode()));
    std::size_t rowCount = 0;
    if (!reader.word(Magic))
        return false;
    const char *b;
    const char *e;
    if (!reader.next(b, e) || e - b != 1 || (*b != Version1[0] && *b != Version2[0]))
        return false;
    const bool version1 = *b == Version1[0];
    if (!reader.count(rowCount) || rowCount != expectedRows)
        return false;

    std::vector<ChartHistory> parsed(rowCount);
    for (ChartHistory &row : parsed) {
        std::size_t count = 0;
        if (!reader.count(count))
            return false;
        // A point takes at least six characters in version 1 (three digits, three
        // separators) and three in version 2 (one digit, two empty values).
        if (count > reader.remaining() / (version1 ? 6 : 3) + 1)
            return false;
        if (!(version1 ? readRow1(reader, count, row) : readRow2(reader, count, row)))
            return false;
    }
    if (!reader.atEnd())
        return false;
    rows = std::move(parsed);
    return true;
}

} // namespace

bool historyFromString(const QString &text, QChar separator, std::size_t expectedRows,
                       std::vector<ChartHistory> &rows)
{
    return readHistory(text.constData(), text.constData() + text.size(), separator,
                       expectedRows, rows);
}

bool historyFromUtf8(const std::string &text, QChar separator, std::size_t expectedRows,
                     std::vector<ChartHistory> &rows)
{
    return readHistory(text.data(), text.data() + text.size(), separator, expectedRows, rows);
}

} // namespace Charts
} // namespace Utils
