#include "platform/TextCodec.h"

#include "platform/Error.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// One conversion through iconv; no transliteration, no skipping: any
// character that cannot be converted fails the whole text.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out)
{
    out.clear();
    if (in.empty()) return true;
    // ASCII is the same bytes in both encodings (CP932 keeps 0x5C and 0x7E as ASCII).
    if (IsAscii(in)) { out.assign(in); return true; }

    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Error("文字コード変換を準備できません。");
    out.resize(in.size() * 2 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + done;
        std::size_t outLeft = out.size() - done;
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        done = out.size() - outLeft;
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) { out.resize(out.size() * 2); continue; }
            ok = false;  // EILSEQ or EINVAL: a character with no place in the target
            break;
        }
        if (r > 0) { ok = false; break; }  // irreversible conversions are not allowed either
    }
    if (ok) {
        char* outPtr = out.data() + done;
        std::size_t outLeft = out.size() - done;
        if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) ok = false;
        done = out.size() - outLeft;
    }
    iconv_close(cd);
    out.resize(done);
    return ok;
}

} // namespace

bool TryUtf8ToCp932(std::string_view utf8, std::string& out) { return Convert("CP932", "UTF-8", utf8, out); }
bool TryCp932ToUtf8(std::string_view cp932, std::string& out) { return Convert("UTF-8", "CP932", cp932, out); }

std::string Utf8ToCp932(std::string_view utf8)
{
    std::string out;
    if (!TryUtf8ToCp932(utf8, out))
        throw Error("Shift-JIS で表せない文字があります: " + QuotedValue(utf8));
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::string out;
    if (!TryCp932ToUtf8(cp932, out))
        throw Error("Shift-JIS として読めない文字があります。");
    return out;
}

std::string Cp932ToUtf8Lenient(std::string_view cp932)
{
    std::string utf8;
    if (TryCp932ToUtf8(cp932, utf8)) return utf8;
    utf8.clear();
    for (char c : cp932) utf8.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return utf8;
}

std::string Cp932Readable(std::string_view utf8)
{
    std::string bytes;
    if (TryUtf8ToCp932(utf8, bytes)) return std::string(utf8);
    std::string kept;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::string_view one = utf8.substr(i, n);
        if (TryUtf8ToCp932(one, bytes)) kept += one;
        else kept += '?';
        i += n;
    }
    return kept;
}

} // namespace platform
