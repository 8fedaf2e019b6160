// Decodes every live record of a table into values and writes them as CSV
// (UTF-8, RFC 4180 quoting) to standard output.
//   korim_bench_dbf_csv <table.dbf>
#include "data/dbf.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <vector>

using namespace korim::data;

namespace {

class Output {
public:
    Output() : buf_(kSize + kSlack) {}
    ~Output() { flush(); }
    // Room for n more bytes.
    char *reserve(size_t n)
    {
        if (used_ + n > buf_.size()) {
            flush();
            if (n > buf_.size())
                buf_.resize(n);
        }
        return buf_.data() + used_;
    }
    void put(char c) { *reserve(1) = c, ++used_; }
    void append(const char *p, size_t n)
    {
        std::memcpy(reserve(n), p, n);
        used_ += n;
    }
    void endLine()
    {
        put('\n');
        if (used_ >= kSize)
            flush();
    }
    void flush()
    {
        if (used_ > 0 && std::fwrite(buf_.data(), 1, used_, stdout) != used_)
            std::exit(1);
        used_ = 0;
    }
    // UTF-16 text as UTF-8, quoted when it holds a separator, quote or line break.
    void text(QStringView s)
    {
        const size_t n = size_t(s.size());
        char *out = reserve(3 * n + 2 + n);
        char *const begin = out;
        bool quote = false;
        for (QChar c : s) {
            const char16_t u = c.unicode();
            if (u == ',' || u == '"' || u == '\n' || u == '\r') {
                quote = true;
                break;
            }
        }
        if (quote)
            *out++ = '"';
        for (QChar c : s) {
            const char16_t u = c.unicode();
            if (u < 0x80) {
                if (u == '"')
                    *out++ = '"';
                *out++ = char(u);
            } else if (u < 0x800) {
                *out++ = char(0xC0 | (u >> 6));
                *out++ = char(0x80 | (u & 0x3F));
            } else {
                *out++ = char(0xE0 | (u >> 12));
                *out++ = char(0x80 | ((u >> 6) & 0x3F));
                *out++ = char(0x80 | (u & 0x3F));
            }
        }
        if (quote)
            *out++ = '"';
        used_ += size_t(out - begin);
    }
    // A value with a fixed number of decimals; exact integer formatting while
    // value * 10^decimals stays well inside the doubles' exact integers.
    void fixed(double value, int decimals)
    {
        static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10,
                                            1e11, 1e12, 1e13, 1e14, 1e15};
        char *out = reserve(400);
        const double scaled = value * kPow10[decimals];
        if (decimals <= 15 && scaled > -1e15 && scaled < 1e15) {
            long long units = std::llround(scaled);
            char *p = out;
            if (units < 0) {
                *p++ = '-';
                units = -units;
            }
            char digits[24];
            int k = 0;
            do {
                digits[k++] = char('0' + units % 10);
                units /= 10;
            } while (units > 0 || k <= decimals);
            while (k > decimals)
                *p++ = digits[--k];
            *p++ = '.';
            while (k > 0)
                *p++ = digits[--k];
            used_ += size_t(p - out);
            return;
        }
        const auto r = std::to_chars(out, out + 400, value, std::chars_format::fixed, decimals);
        used_ += size_t(r.ptr - out);
    }

private:
    static constexpr size_t kSize = 1 << 20;
    static constexpr size_t kSlack = 4096;
    std::vector<char> buf_;
    size_t used_ = 0;
};

void twoDigits(Output &out, int v)
{
    out.put(char('0' + v / 10));
    out.put(char('0' + v % 10));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <table.dbf>\n", argv[0]);
        return 2;
    }
    try {
        DbfScanner scanner(QString::fromLocal8Bit(argv[1]));
        const QList<FieldDef> &fields = scanner.fields();
        Output out;
        for (int f = 0; f < fields.size(); ++f) {
            if (f)
                out.put(',');
            out.text(fields[f].name);
        }
        out.endLine();
        char num[64];
        while (scanner.next()) {
            for (int f = 0; f < fields.size(); ++f) {
                if (f)
                    out.put(',');
                const FieldValue v = scanner.value(f);
                switch (v.kind) {
                case FieldValue::Kind::Null:
                    break;
                case FieldValue::Kind::Text:
                    out.text(v.text);
                    break;
                case FieldValue::Kind::Integer: {
                    const auto r = std::to_chars(num, num + sizeof num, v.integer);
                    out.append(num, size_t(r.ptr - num));
                    break;
                }
                case FieldValue::Kind::Real: {
                    const int decimals = fields[f].decimals;
                    if (decimals > 0) {
                        out.fixed(v.real, decimals);
                    } else {
                        const auto r = std::to_chars(num, num + sizeof num, v.real);
                        out.append(num, size_t(r.ptr - num));
                    }
                    break;
                }
                case FieldValue::Kind::Date: {
                    const auto r = std::to_chars(num, num + sizeof num, v.year);
                    out.append(num, size_t(r.ptr - num));
                    out.put('-');
                    twoDigits(out, v.month);
                    out.put('-');
                    twoDigits(out, v.day);
                    break;
                }
                case FieldValue::Kind::Logical:
                    out.put(v.logical ? 'T' : 'F');
                    break;
                }
            }
            out.endLine();
        }
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
