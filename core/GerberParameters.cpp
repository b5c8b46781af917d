#include "core/GerberParameters.h"

#include "core/Geometry.h"
#include "core/TextHelpers.h"
#include "platform/Error.h"
#include "platform/NumberText.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace core {

namespace fs = std::filesystem;

namespace {

// D-codes chosen as renumbering targets by the file being read: the same
// file must not redefine them under their own number.
std::array<std::uint8_t, MaxApertureCode + 1> reservedCodes{};

// Macro variables beyond this are not kept ($n reads 0, $n= is ignored).
constexpr std::size_t MaxMacroVariable = 9999;

double NumberOrZero(std::string_view text)
{
    double v = 0.0;
    return platform::TryParseReal(text, v) ? v : 0.0;
}

void AddReportLine(const std::string& line)
{
    if (static_cast<std::int32_t>(ReportLines.size()) != ReportCount)
        ReportLines.resize(static_cast<std::size_t>(std::max(ReportCount, 0)));
    ReportLines.push_back(line);
    ReportCount += 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An aperture value that is no number reads 0, as it always has, so that the
// rest of the file still reads; the report says which value it was, since
// that D-code's pads then vanish from the picture and the checks.
void ReportUnreadValue(const std::string& what, std::string_view text)
{
    AddReportLine("警告：数値として読めないアパーチャーの値を 0 として読み込みました。 (" + what + " '" +
                  platform::QuotedValue(text) + "')");
}

// A polygon of a vertex count it cannot be drawn with draws nothing: said
// too, as its pads vanish as well.
void ReportUndrawnPolygon(const std::string& what, std::string_view text)
{
    AddReportLine("警告：頂点数が " + platform::FormatInt(MinPolygonVertices) + " から " + platform::FormatInt(MaxPolygonVertices) +
                  " でない多角形は描画されません。 (" + what + " '" + platform::QuotedValue(text) + "')");
}

// The k-th field (from 0) of an aperture or a primitive, as the report names it.
std::string NthValue(const std::string& what, std::size_t k)
{
    return what + " の " + platform::FormatInt(static_cast<long long>(k) + 1) + " 番目の値";
}

// The D-code of an AD block as the file writes it ("ADD022..." gives "D22").
std::string WrittenDCode(std::string_view adBlock)
{
    std::size_t i = adBlock.find("ADD");
    i = i == std::string_view::npos ? adBlock.size() : i + 3;
    std::size_t end = i;
    while (end < adBlock.size() && IsDigit(adBlock[end])) ++end;
    std::string_view digits = adBlock.substr(i, end - i);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    return "D" + std::string(digits);
}

// The text of a value as the file wrote it: inch values not yet evaluated
// carry their conversion.
std::string_view WrittenValue(std::string_view text)
{
    constexpr std::string_view inch = ")x25.4";
    if (text.size() > inch.size() + 1 && text.front() == '(' && text.substr(text.size() - inch.size()) == inch)
        return text.substr(1, text.size() - inch.size() - 1);
    return text;
}

// "$4=..." defines a macro variable; it is not a primitive.
bool IsVariableDefinition(std::string_view p, std::size_t& number, std::string_view& expression)
{
    if (p.size() < 3 || p[0] != '$') return false;
    std::size_t i = 1;
    while (i < p.size() && IsDigit(p[i])) ++i;
    if (i == 1 || i >= p.size() || p[i] != '=') return false;
    std::string_view digits = p.substr(1, i - 1);
    number = digits.size() > 8 ? MaxMacroVariable + 1 : static_cast<std::size_t>(platform::ParseIntOr(digits, 0));
    expression = p.substr(i + 1);
    return true;
}

class ExpressionParser {
public:
    ExpressionParser(std::string_view s, const std::vector<double>& vars) : s_(s), vars_(vars) {}

    bool Run(double& result)
    {
        double v = Expr();
        if (!ok_ || i_ != s_.size() || !std::isfinite(v)) return false;
        result = v;
        return true;
    }

private:
    double Expr()
    {
        double v = Term();
        while (ok_ && i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) {
            char op = s_[i_++];
            double r = Term();
            v = op == '+' ? v + r : v - r;
        }
        return v;
    }

    double Term()
    {
        double v = Factor();
        while (ok_ && i_ < s_.size() && (s_[i_] == 'x' || s_[i_] == 'X' || s_[i_] == '/')) {
            char op = s_[i_++];
            double r = Factor();
            v = op == '/' ? v / r : v * r;
        }
        return v;
    }

    double Factor()
    {
        // Hostile nesting must not exhaust the stack.
        if (++depth_ > 200 || i_ >= s_.size()) return Fail();
        double v = 0.0;
        char c = s_[i_];
        if (c == '+' || c == '-') {
            ++i_;
            v = Factor();
            if (c == '-') v = -v;
        } else if (c == '(') {
            ++i_;
            v = Expr();
            if (i_ < s_.size() && s_[i_] == ')') ++i_;
            else Fail();
        } else if (c == '$') {
            std::size_t start = ++i_;
            while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
            if (i_ == start) return Fail();
            std::string_view digits = s_.substr(start, i_ - start);
            std::size_t n = digits.size() > 8 ? MaxMacroVariable + 1 : static_cast<std::size_t>(platform::ParseIntOr(digits, 0));
            v = n < vars_.size() ? vars_[n] : 0.0;
        } else if (IsDigit(c) || c == '.') {
            std::size_t start = i_;
            while (i_ < s_.size() && (IsDigit(s_[i_]) || s_[i_] == '.')) ++i_;
            if (!platform::TryParseReal(s_.substr(start, i_ - start), v)) return Fail();
        } else {
            return Fail();
        }
        --depth_;
        return v;
    }

    double Fail()
    {
        ok_ = false;
        i_ = s_.size();
        return 0.0;
    }

    std::string_view s_;
    const std::vector<double>& vars_;
    std::size_t i_ = 0;
    int depth_ = 0;
    bool ok_ = true;
};

// Removes the primitives of one D-code from Macros at once and renumbers the
// others.
void RemovePrimitivesNow(int dCode)
{
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(MacroCount, 0)), Macros.size() - 1);
    std::size_t out = 1;
    while (out <= count && Macros[out].DCode != dCode) ++out;
    if (out > count) return;
    // Closed up in place: the array keeps its room, so a file that redefines
    // many macro apertures does not copy every primitive for each.
    for (std::size_t i = out + 1; i <= count; ++i)
        if (Macros[i].DCode != dCode) Macros[out++] = std::move(Macros[i]);
    Macros.erase(Macros.begin() + static_cast<std::ptrdiff_t>(out), Macros.end());
    MacroCount = static_cast<std::int32_t>(Macros.size() - 1);
    std::array<std::int32_t, MaxApertureCode + 1> first{}, last{};
    for (std::int32_t i = 1; i <= MacroCount; ++i) {
        const std::int32_t d = Macros[static_cast<std::size_t>(i)].DCode;
        if (!ValidApertureCode(d)) continue;
        if (first[static_cast<std::size_t>(d)] == 0) first[static_cast<std::size_t>(d)] = i;
        last[static_cast<std::size_t>(d)] = i;
    }
    for (std::size_t d = 0; d < first.size(); ++d) {
        if (first[d] == 0) continue;
        Apertures[d].FirstPrimitive = first[d];
        Apertures[d].LastPrimitive = last[d];
    }
}

// Removing at once moves every later primitive and renumbers every aperture:
// a file that redefines thousands of macro apertures would do that thousands
// of times. So the primitives of a redefined D-code are only marked, and the
// table is closed up once, when the read ends (outside a read, at the end of
// the block). It then holds what removing at once gives: the same primitives
// in the same order, and every FirstPrimitive and LastPrimitive as the last
// step that set it left it. Until then MacroCount and the apertures number
// the primitives as they lie, marked ones included, so that a flash read in
// between walks its aperture's own primitives.
class DeferredRemovals {
public:
    bool Active() const { return active_; }

    // Starts on a table whose D-codes each have their primitives together and
    // whose apertures without primitives have no range; false otherwise (such
    // a table is renumbered at once).
    bool Start()
    {
        if (Macros.empty() || MacroCount < 0 || static_cast<std::size_t>(MacroCount) + 1 != Macros.size()) return false;
        for (std::size_t d = 0; d < codes_.size(); ++d) {
            Code& c = codes_[d];
            c = Code{};
            c.givenFirst = Apertures[d].FirstPrimitive;
            c.givenLast = Apertures[d].LastPrimitive;
        }
        for (std::int32_t i = 1; i <= MacroCount; ++i) {
            const std::int32_t d = Macros[static_cast<std::size_t>(i)].DCode;
            if (!ValidApertureCode(d)) continue;
            Code& c = codes_[static_cast<std::size_t>(d)];
            if (c.first == 0) c.first = i;
            else if (c.last != i - 1) return false;
            c.last = i;
        }
        otherRange_.clear();
        for (std::size_t d = 0; d < codes_.size(); ++d) {
            const Code& c = codes_[d];
            if (c.first == 0 && (c.givenFirst != 0 || c.givenLast != 0)) return false;
            if (c.first != 0 && (c.givenFirst != c.first || c.givenLast != c.last)) otherRange_.push_back(static_cast<int>(d));
        }
        dead_.assign(1, 0);
        marked_.clear();
        deadCount_ = 0;
        clock_ = lastRemoval_ = 0;
        active_ = true;
        return true;
    }

    void Remove(int dCode)
    {
        Code& c = codes_[static_cast<std::size_t>(dCode)];
        if (c.first == 0) return;
        ++clock_;
        // Renumbered by the last removal while they were there: those numbers
        // stay with the aperture.
        if (c.since < lastRemoval_) {
            c.renumberedFirst = Rank(c.first);
            c.renumberedLast = Rank(c.last);
            c.renumberedAt = lastRemoval_;
        }
        for (std::int32_t i = c.first; i <= c.last; ++i) Mark(i);
        deadCount_ += c.last - c.first + 1;
        c.first = c.last = 0;
        lastRemoval_ = clock_;
        // Every other aperture with primitives now has them all, as they lie;
        // only those given another range need setting.
        for (const int d : otherRange_) {
            const Code& o = codes_[static_cast<std::size_t>(d)];
            if (o.first == 0) continue;
            Apertures[static_cast<std::size_t>(d)].FirstPrimitive = o.first;
            Apertures[static_cast<std::size_t>(d)].LastPrimitive = o.last;
        }
        otherRange_.clear();
    }

    // The aperture's range was set as the primitives lie (a new definition,
    // or its primitives from `first` on were just added).
    void Given(int dCode, std::int32_t first = 0)
    {
        Code& c = codes_[static_cast<std::size_t>(dCode)];
        const MyAperture& a = Apertures[static_cast<std::size_t>(dCode)];
        ++clock_;
        if (first > 0) {
            c.first = first;
            c.last = a.LastPrimitive;
            c.since = clock_;
        }
        // Added primitives lie after every marked one.
        auto rank = [&](std::int32_t i) { return i <= 0 ? i : first > 0 ? i - deadCount_ : Rank(i); };
        c.givenFirst = rank(a.FirstPrimitive);
        c.givenLast = rank(a.LastPrimitive);
        c.givenAt = clock_;
        if (c.first != 0 && (a.FirstPrimitive != c.first || a.LastPrimitive != c.last)) otherRange_.push_back(dCode);
    }

    void Finish() noexcept
    {
        if (!active_) return;
        active_ = false;
        std::size_t out = 1;
        for (std::size_t i = 1; i < Macros.size(); ++i) {
            if (Marked(i)) continue;
            const std::int32_t d = Macros[i].DCode;
            if (ValidApertureCode(d)) {
                Code& c = codes_[static_cast<std::size_t>(d)];
                if (c.first == static_cast<std::int32_t>(i)) {
                    c.last = static_cast<std::int32_t>(out) + (c.last - c.first);
                    c.first = static_cast<std::int32_t>(out);
                }
            }
            if (out != i) Macros[out] = std::move(Macros[i]);
            ++out;
        }
        Macros.erase(Macros.begin() + static_cast<std::ptrdiff_t>(out), Macros.end());
        MacroCount = static_cast<std::int32_t>(out - 1);
        for (std::size_t d = 0; d < codes_.size(); ++d) {
            const Code& c = codes_[d];
            MyAperture& a = Apertures[d];
            // Renumbered by the last removal: now numbered as they lie.
            const bool renumberedLast = c.first != 0 && c.since < lastRemoval_;
            const std::uint64_t renumberedAt = renumberedLast ? lastRemoval_ : c.renumberedAt;
            if (renumberedAt > c.givenAt) {
                a.FirstPrimitive = renumberedLast ? c.first : c.renumberedFirst;
                a.LastPrimitive = renumberedLast ? c.last : c.renumberedLast;
            } else {
                a.FirstPrimitive = c.givenFirst;
                a.LastPrimitive = c.givenLast;
            }
        }
    }

private:
    struct Code {
        std::int32_t first = 0, last = 0;   // its primitives as they lie; 0 none
        std::uint64_t since = 0;            // when they were added
        // The range last given and the range of the last renumbering, each
        // numbered as it was then, and when.
        std::int32_t givenFirst = 0, givenLast = 0;
        std::uint64_t givenAt = 0;
        std::int32_t renumberedFirst = 0, renumberedLast = 0;
        std::uint64_t renumberedAt = 0;
    };

    // The marked primitives are counted in a Fenwick tree over their numbers
    // (dead_[0] unused), grown as the table grows.
    std::int32_t MarkedUpTo(std::size_t i) const
    {
        std::int32_t n = 0;
        for (i = std::min(i, dead_.size() - 1); i > 0; i &= i - 1) n += dead_[i];
        return n;
    }

    void Mark(std::int32_t index)
    {
        const std::size_t i = static_cast<std::size_t>(index);
        while (dead_.size() <= i) {
            const std::size_t j = dead_.size();
            dead_.push_back(MarkedUpTo(j - 1) - MarkedUpTo(j - (j & (~j + 1))));
        }
        marked_.resize(std::max(marked_.size(), i + 1), 0);
        marked_[i] = 1;
        for (std::size_t k = i; k < dead_.size(); k += k & (~k + 1)) dead_[k] += 1;
    }

    bool Marked(std::size_t i) const { return i < marked_.size() && marked_[i] != 0; }

    // The number a live primitive has when the marked ones are taken out.
    std::int32_t Rank(std::int32_t index) const { return index - MarkedUpTo(static_cast<std::size_t>(index)); }

    bool active_ = false;
    std::array<Code, MaxApertureCode + 1> codes_{};
    std::vector<std::int32_t> dead_;
    std::vector<std::uint8_t> marked_;
    std::vector<int> otherRange_;   // apertures with primitives given another range than theirs
    std::int32_t deadCount_ = 0;
    std::uint64_t clock_ = 0, lastRemoval_ = 0;
};

DeferredRemovals deferredRemovals;

// The work folder's macro files by their names in lower case, so that a name
// written in another case is found without listing the folder at every miss.
// Built at the first miss of a read and kept up to date with the files the
// read writes. Only when several files differ in case alone is the folder
// listed again, to take the one the listing finds first.
class MacroFileIndex {
public:
    fs::path Find(const fs::path& folder, const std::string& name)
    {
        if (!platform::IsPlainFileName(name)) throw platform::Error("ファイル名が正しくありません: " + name);
        fs::path exact = folder / name;
        std::error_code ec;
        if (fs::exists(exact, ec)) return exact;
        if (!built_ || folder_ != folder) {
            byName_.clear();
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) Add(it->path());
            folder_ = folder;
            built_ = true;
        }
        const auto found = byName_.find(Lower(name));
        if (found == byName_.end()) return exact;
        return found->second.files == 1 ? found->second.path : platform::FindNoCase(folder, name);
    }

    void Written(const fs::path& file)
    {
        if (built_ && file.parent_path() == folder_) Add(file);
    }

    void Forget() noexcept
    {
        built_ = false;
        byName_.clear();
    }

private:
    struct Entry {
        fs::path path;
        int files = 0;
    };

    void Add(const fs::path& file)
    {
        Entry& e = byName_[Lower(file.filename().string())];
        if (e.files > 0 && e.path == file) return;
        if (e.files == 0) e.path = file;
        e.files += 1;
    }

    static std::string Lower(std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }

    bool built_ = false;
    fs::path folder_;
    std::unordered_map<std::string, Entry> byName_;
};

MacroFileIndex macroFiles;

// Inside a read, the removals and the index last until it ends; outside one,
// each block leaves the tables complete.
bool finishRegistered = false;

void FinishMacroWork() noexcept
{
    deferredRemovals.Finish();
    macroFiles.Forget();
    finishRegistered = false;
}

void FinishAtEndOfRead()
{
    if (finishRegistered || !ReadInProgress()) return;
    AtEndOfRead(FinishMacroWork);
    finishRegistered = true;
}

struct FinishOutsideRead {
    FinishOutsideRead() = default;
    FinishOutsideRead(const FinishOutsideRead&) = delete;
    FinishOutsideRead& operator=(const FinishOutsideRead&) = delete;
    ~FinishOutsideRead()
    {
        if (!ReadInProgress()) FinishMacroWork();
    }
};

void RemovePrimitivesOf(int dCode)
{
    if (!deferredRemovals.Active() && !deferredRemovals.Start()) {
        RemovePrimitivesNow(dCode);
        return;
    }
    FinishAtEndOfRead();
    deferredRemovals.Remove(dCode);
}

// The primitive with its "$k" fields replaced by the AD parameters, other
// fields as written.
std::string SubstituteParameters(const MyTextArray& fields, const MyTextArray& params)
{
    std::string text;
    for (const std::string& f : fields) {
        std::string prefix;
        long long k = 0;
        SplitTrailingNumber(f, prefix, k);
        std::string out = f;
        if (prefix == "$" && k >= 1 && k <= static_cast<long long>(params.size())) out = params[static_cast<std::size_t>(k - 1)];
        if (!text.empty()) text += ',';
        text += out;
    }
    return text;
}

// The primitive's text with every field evaluated: plain numbers stay as
// written, a field that is just an untouched "$k" takes the AD parameter's
// text, expressions become their value. A field that cannot be evaluated
// stays as the plain substitution would leave it.
std::string InstantiatePrimitive(const MyTextArray& fields, const MyTextArray& params,
                                 const std::vector<double>& vars, const std::vector<std::uint8_t>& redefined)
{
    std::string text;
    for (const std::string& f : fields) {
        std::string out;
        double v = 0.0;
        std::string prefix;
        long long k = 0;
        SplitTrailingNumber(f, prefix, k);
        const bool plainParam = prefix == "$" && k >= 1 && k <= static_cast<long long>(params.size()) &&
                                !(static_cast<std::size_t>(k) < redefined.size() && redefined[static_cast<std::size_t>(k)]);
        if (platform::TryParseReal(f, v)) out = f;
        else if (plainParam) out = params[static_cast<std::size_t>(k - 1)];
        else if (EvaluateMacroExpression(f, vars, v)) out = platform::FormatReal(v);
        else if (prefix == "$" && k >= 1 && k <= static_cast<long long>(params.size())) out = params[static_cast<std::size_t>(k - 1)];
        else out = f;
        if (!text.empty()) text += ',';
        text += out;
    }
    return text;
}

// Names each field of an instantiated primitive that reads 0 for not being a
// number (a parameter already named is not named again), and a polygon's
// vertex count it is not drawn with.
void ReportPrimitive(const MyMacro& m, const std::string& primitive, const std::vector<std::string_view>& named)
{
    MyTextArray fields;
    SplitText(m.Text, ',', fields);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        double v = 0.0;
        if (!platform::TryParseReal(fields[k], v)) {
            if (std::find(named.begin(), named.end(), std::string_view(fields[k])) == named.end())
                ReportUnreadValue(NthValue(primitive, k), WrittenValue(fields[k]));
        } else if (k == 2 && std::trunc(m.Values[0]) == 5.0 && !PolygonVerticesValid(v)) {
            ReportUndrawnPolygon(NthValue(primitive, k), fields[k]);
        }
    }
}

// A comment primitive: code 0, followed by free text.
bool IsCommentPrimitive(const std::string& p)
{
    if (p.empty() || p[0] != '0') return false;
    std::size_t comma = p.find(',');
    std::string_view code = std::string_view(p).substr(0, comma);
    double v = 0.0;
    if (!platform::TryParseReal(code, v)) return true;
    return std::trunc(v) == 0.0;
}

std::string ParseDCodeText(std::string_view digits)
{
    std::size_t i = 0;
    while (i + 1 < digits.size() && digits[i] == '0') ++i;
    return std::string(digits.substr(i));
}

void ReadApertureDefinition(const std::string& b)
{
    GerberFormat.FormatName = "RS-274X";
    std::string_view rest = b.size() > 3 ? std::string_view(b).substr(3) : std::string_view{};
    std::size_t i = 0;
    while (i < rest.size() && IsDigit(rest[i])) ++i;
    const std::string number = ParseDCodeText(rest.substr(0, i));
    long long n = number.empty() ? -1 : (number.size() > 9 ? 1'000'000'000LL : platform::ParseIntOr(number, -1));
    std::size_t nameStart = i;
    while (i < rest.size() && rest[i] != ',' && rest[i] != '*') ++i;
    const std::string name(rest.substr(nameStart, i - nameStart));
    std::string params;
    if (i < rest.size() && rest[i] == ',') {
        std::size_t end = rest.find('*', i + 1);
        params.assign(rest.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
    }

    const std::string warning = "警告：RS-274X 規定外Dコードが検出されました。 (D" + (number.empty() ? std::string("") : number) + ") ";
    // D0..D9 are commands and the table ends at D1999: such a definition
    // cannot be stored anywhere.
    if (n < FirstSearchCode || n > MaxApertureCode) {
        AddReportLine(warning);
        return;
    }
    if (n > LastSearchCode) AddReportLine(warning);

    MyAperture a;
    a.Used = 0;
    a.FirstPrimitive = a.LastPrimitive = 0;
    if (name == "C" || name == "R" || name == "O" || name == "P") {
        a.Shape = name == "C" ? apCircle : name == "R" ? apSquare : name == "O" ? apOval : apPolygon;
        double sizes[3] = {0, 0, 0};
        std::string_view texts[3];
        std::size_t k = 0, start = 0;
        for (std::size_t j = 0; j <= params.size() && k < 3; ++j) {
            if (j == params.size() || params[j] == 'X') {
                const std::string_view field = std::string_view(params).substr(start, j - start);
                texts[k] = field;
                if (!platform::TryParseReal(field, sizes[k])) {
                    sizes[k] = 0.0;
                    ReportUnreadValue(NthValue("D" + number + " " + name, k), field);
                }
                if (GerberFormat.Units == 1 && !(a.Shape == apPolygon && k >= 1) && std::isfinite(sizes[k]))
                    sizes[k] = RoundTo(4, sizes[k] * 25.4);
                ++k;
                start = j + 1;
            }
        }
        a.Size1 = sizes[0];
        a.Size2 = sizes[1];
        a.Size3 = sizes[2];
        double vertices = 0.0;
        if (a.Shape == apPolygon && platform::TryParseReal(texts[1], vertices) && !PolygonVerticesValid(vertices))
            ReportUndrawnPolygon(NthValue("D" + number + " P", 1), texts[1]);
        if (a.Shape == apSquare && std::fabs(a.Size2 - a.Size1) > 0.0004) a.Shape = apRectangle;
    } else {
        a.Shape = apMacro;
        a.MacroName = name;
        a.MacroParams = params;
    }

    int code = static_cast<int>(n);
    bool keepUsed = false;
    MyAperture& current = Apertures[static_cast<std::size_t>(code)];
    if (ApertureCheck == 1 && (current.Used == 1 || reservedCodes[static_cast<std::size_t>(code)]) && !SameAperture(current, a)) {
        int target = a.Shape == apMacro ? FindOrAddMacroAperture(a.MacroName, a.MacroParams, 0)
                                        : FindOrAddAperture(a.Shape, a.MacroName, 0, a.Size1, a.Size2, a.Size3);
        if (target > 0) {
            AddReportLine("同じ設定のアパーチャー定義を検出しましたので、定義済のDコードを使用します。 (D" + number + " --> D" +
                          platform::FormatInt(target) + ")");
            // The equal aperture may be in use by layers already loaded.
            keepUsed = true;
        } else {
            for (int k = FirstSearchCode; k <= MaxApertureCode && target == 0; ++k)
                if (Apertures[static_cast<std::size_t>(k)].Shape == apNone && !reservedCodes[static_cast<std::size_t>(k)]) target = k;
            if (target > 0)
                AddReportLine("異なる設定のアパーチャー定義を検出しましたので、別のDコードに登録しました。 (D" + number + " --> D" +
                              platform::FormatInt(target) + ")");
        }
        if (target > 0) {
            ApertureMap[static_cast<std::size_t>(code)] = target;
            code = target;
            reservedCodes[static_cast<std::size_t>(code)] = 1;
        }
    }

    MyAperture& slot = Apertures[static_cast<std::size_t>(code)];
    const std::int32_t used = keepUsed ? slot.Used : 0;
    // Primitives of a macro that this definition replaces would otherwise
    // stay behind, attached to nothing.
    if (slot.Shape == apMacro) RemovePrimitivesOf(code);
    slot = a;
    slot.Used = used;
    if (deferredRemovals.Active()) deferredRemovals.Given(code);
    if (slot.Shape == apMacro) {
        std::string adBlock = b;
        if (!adBlock.empty() && adBlock.back() == '*') adBlock.pop_back();
        LoadApertureMacro(slot.MacroName, adBlock, code);
    }
}

void ReadApertureMacro(std::string b)
{
    GerberFormat.FormatName = "RS-274X";
    if (GerberFormat.Units == 1) MacroToMillimetres(b);
    std::string name;
    ExtractBetween(b, "M", "*", name);
    const fs::path file = MacroFilePath(name);
    platform::TextFileWriter w(file);
    w.WriteLine("%" + b + "%");
    // A scratch file of the work folder: a plain write, no fsync.
    w.CommitScratch();
    macroFiles.Written(file);
}

// The text after `letter` up to the next of `stops` or the end.
std::string_view ValueAfter(std::string_view s, char letter, std::string_view stops, bool& found)
{
    std::size_t p = s.find(letter);
    found = p != std::string_view::npos;
    if (!found) return {};
    std::size_t e = s.find_first_of(stops, p + 1);
    return s.substr(p + 1, e == std::string_view::npos ? std::string_view::npos : e - p - 1);
}

} // namespace

void ResetApertureReservations() { reservedCodes.fill(0); }

bool SameAperture(const MyAperture& a, const MyAperture& b)
{
    if (a.Shape != b.Shape) return false;
    if (a.Shape >= apMacro) return a.MacroName == b.MacroName && a.MacroParams == b.MacroParams;
    auto same = [](double x, double y) { return std::fabs(x - y) <= 0.0004 + 1e-12; };
    return same(a.Size1, b.Size1) && same(a.Size2, b.Size2) && same(a.Size3, b.Size3);
}

bool EvaluateMacroExpression(std::string_view text, const std::vector<double>& vars, double& result)
{
    if (text.empty()) return false;
    return ExpressionParser(text, vars).Run(result);
}

fs::path WorkFolder()
{
    fs::path folder = DataFolder.empty() ? platform::DataFolderPath() : fs::path(DataFolder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

std::string MacroFileStem(const std::string& macroName)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string stem;
    for (std::size_t i = 0; i < macroName.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(macroName[i]);
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '-' || c == '$' || (c == '.' && i > 0);
        if (safe) {
            stem.push_back(static_cast<char>(c));
        } else {
            stem.push_back('%');
            stem.push_back(hex[c >> 4]);
            stem.push_back(hex[c & 15]);
        }
    }
    if (stem.size() > 150) {
        // Too long for a file name: a prefix and a hash of the whole name.
        std::uint64_t h = 1469598103934665603ULL;
        for (unsigned char c : macroName) h = (h ^ c) * 1099511628211ULL;
        std::string tail(16, '0');
        for (int k = 15; k >= 0; --k, h >>= 4) tail[static_cast<std::size_t>(k)] = hex[h & 15];
        stem = stem.substr(0, 120) + "~" + tail;
    }
    return stem;
}

fs::path MacroFilePath(const std::string& macroName) { return WorkFolder() / (MacroFileStem(macroName) + ".mac"); }

void ReadGerberParameter(const std::string& block, bool allowApertures)
{
    const FinishOutsideRead finish;
    if (block.size() < 2) return;
    std::string b = block;
    if (!b.empty() && b.front() == '%') b.erase(0, 1);
    if (!b.empty() && b.back() == '%') b.pop_back();
    if (b.empty() || b.back() != '*') b.push_back('*');
    if (b.size() < 2) return;
    const std::string_view code = std::string_view(b).substr(0, 2);
    MyFormatPara& f = GerberFormat;

    if (code == "FS") {
        f.FormatName = "RS-274X";
        // The zero and notation letters come before X in any order, and
        // some writers leave one out ("FSAX24Y24").
        std::size_t i = 2;
        for (; i < b.size() && b[i] != 'X' && b[i] != '*'; ++i) {
            if (b[i] == 'L') f.Zero = 0;
            else if (b[i] == 'T') f.Zero = 1;
            else if (b[i] == 'A') f.AbsInc = 0;
            else if (b[i] == 'I') f.AbsInc = 1;
        }
        if (i + 2 < b.size() && b[i] == 'X' && IsDigit(b[i + 1]) && IsDigit(b[i + 2])) {
            f.IntDigits = b[i + 1] - '0';
            f.DecDigits = b[i + 2] - '0';
        }
        f.NumberFormat = std::string(static_cast<std::size_t>(f.IntDigits), '0') + "." +
                         std::string(static_cast<std::size_t>(f.DecDigits), '0');
    } else if (code == "MO") {
        f.FormatName = "RS-274X";
        if (b.compare(2, 2, "IN") == 0) f.Units = 1;
        else if (b.compare(2, 2, "MM") == 0) f.Units = 0;
    } else if (code == "LP") {
        f.FormatName = "RS-274X";
        if (b.size() > 2 && b[2] == 'D') f.LpClear = 0;
        else if (b.size() > 2 && b[2] == 'C') f.LpClear = 1;
    } else if (code == "LN") {
        if (b.size() > 3) f.LayerName = b.substr(2, b.size() - 3);
    } else if (code == "OF") {
        f.FormatName = "RS-274X";
        f.OffsetX = f.OffsetY = 0;
        std::string_view rest = std::string_view(b).substr(2);
        bool found = false;
        f.OffsetX = NumberOrZero(ValueAfter(rest, 'A', "B*", found));
        f.OffsetY = NumberOrZero(ValueAfter(rest, 'B', "*", found));
        if (f.Units == 1 && !(f.OffsetX == 0 && f.OffsetY == 0)) {
            f.OffsetX *= 25.4;
            f.OffsetY *= 25.4;
        }
    } else if (code == "SR") {
        f.FormatName = "RS-274X";
        f.SrX = 1;
        f.SrY = 1;
        f.SrI = 0;
        f.SrJ = 0;
        std::string_view rest = std::string_view(b).substr(2);
        auto count = [](std::string_view t) {
            double v = NumberOrZero(t);
            // Absurd counts are caught where the copies are made.
            v = std::clamp(std::trunc(v), -1.0, 1.0e9);
            return static_cast<std::int32_t>(v);
        };
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c != 'X' && c != 'Y' && c != 'I' && c != 'J') continue;
            std::size_t e = rest.find_first_of("XYIJ*", i + 1);
            std::string_view v = rest.substr(i + 1, e == std::string_view::npos ? std::string_view::npos : e - i - 1);
            if (c == 'X') f.SrX = count(v);
            else if (c == 'Y') f.SrY = count(v);
            else if (c == 'I') f.SrI = NumberOrZero(v);
            else f.SrJ = NumberOrZero(v);
            i += v.size();
        }
        if (f.Units == 1 && !(f.SrI == 0 && f.SrJ == 0)) {
            f.SrI *= 25.4;
            f.SrJ *= 25.4;
        }
    } else if (code == "AD") {
        if (allowApertures) ReadApertureDefinition(b);
    } else if (code == "AM") {
        if (allowApertures) ReadApertureMacro(b);
    }
}

void LoadApertureMacro(const std::string& macroName, const std::string& adBlock, int dCode)
{
    const FinishOutsideRead finish;
    if (!ValidApertureCode(dCode)) return;
    const fs::path folder = WorkFolder();
    const fs::path file = macroFiles.Find(folder, MacroFileStem(macroName) + ".mac");
    FinishAtEndOfRead();
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return;

    RemovePrimitivesOf(dCode);

    MyTextArray adFields, params;
    SplitText(adBlock, ',', adFields);
    if (adFields.size() >= 2) SplitCollapse(adFields[1], 'X', params);
    std::vector<double> vars(params.size() + 1, 0.0);
    std::vector<std::uint8_t> redefined(params.size() + 1, 0);
    const std::string named = WrittenDCode(adBlock) + " " + macroName;
    std::vector<std::string_view> unreadParams;
    for (std::size_t k = 0; k < params.size(); ++k) {
        if (platform::TryParseReal(params[k], vars[k + 1])) continue;
        vars[k + 1] = 0.0;
        ReportUnreadValue(named + " のパラメータ $" + platform::FormatInt(static_cast<long long>(k) + 1), params[k]);
        unreadParams.push_back(params[k]);
    }
    int primitive = 0;

    MyAperture& aperture = Apertures[static_cast<std::size_t>(dCode)];
    const std::int32_t firstAdded = MacroCount + 1;
    for (std::string line : platform::ReadTextLines(file)) {
        // Files written elsewhere may end their lines in CR LF.
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (!line.empty() && line.front() == '%') line.erase(0, 1);
        if (!line.empty() && line.back() == '%') line.pop_back();
        MyTextArray parts;
        SplitCollapse(line, '*', parts);
        bool firstOfLine = true;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::string& p = parts[i];
            std::size_t number = 0;
            std::string_view expression;
            if (IsVariableDefinition(p, number, expression)) {
                double v = 0.0;
                if (number <= MaxMacroVariable) {
                    if (!EvaluateMacroExpression(expression, vars, v)) {
                        v = 0.0;
                        ReportUnreadValue(named + " の変数 $" + platform::FormatInt(static_cast<long long>(number)),
                                          WrittenValue(expression));
                    }
                    if (vars.size() <= number) {
                        vars.resize(number + 1, 0.0);
                        redefined.resize(number + 1, 0);
                    }
                    vars[number] = v;
                    redefined[number] = 1;
                }
                continue;
            }
            MyTextArray fields;
            SplitText(p, ',', fields);
            MyMacro m;
            m.DCode = dCode;
            m.Name = macroName;
            m.AdText = adBlock;
            m.Text = IsCommentPrimitive(p) ? SubstituteParameters(fields, params)
                                           : InstantiatePrimitive(fields, params, vars, redefined);
            ParseMacroPrimitive(m);
            ++primitive;
            if (m.ValueCount > 0 && !IsCommentPrimitive(p))
                ReportPrimitive(m, named + " のプリミティブ " + platform::FormatInt(primitive), unreadParams);
            Macros.resize(static_cast<std::size_t>(MacroCount) + 1);
            Macros.push_back(std::move(m));
            MacroCount += 1;
            if (firstOfLine) aperture.FirstPrimitive = MacroCount;
            aperture.LastPrimitive = MacroCount;
            firstOfLine = false;
        }
    }
    if (deferredRemovals.Active() && MacroCount >= firstAdded) deferredRemovals.Given(dCode, firstAdded);
}

void MacroToMillimetres(std::string& block)
{
    if (GerberFormat.Units != 1) return;
    MyTextArray parts;
    if (SplitCollapse(block, '*', parts) < 1) return;
    std::string out = parts[0] + "*";
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        std::size_t number = 0;
        std::string_view expression;
        MyTextArray f;
        if (IsVariableDefinition(p, number, expression) || SplitText(p, ',', f) < 1) {
            out += p + "*";
            continue;
        }
        double codeValue = 0.0;
        int code = -1;
        if (platform::TryParseReal(f[0], codeValue) && std::fabs(codeValue) < 1e6) code = static_cast<int>(std::trunc(codeValue));
        const int last = static_cast<int>(f.size()) - 1;
        auto converted = [&](int k) {
            switch (code) {
            case 1: return k >= 2 && k <= std::min(last, 4);  // a rotation after the centre is no length
            case 2: case 20: case 21: case 22: return k >= 2 && k <= last - 1;
            case 4: case 5: return k >= 3 && k <= last - 1;
            case 6: return (k >= 1 && k <= 5) || (k >= 7 && k <= last - 1);
            case 7: return k >= 1 && k <= last - 1;
            default: return false;
            }
        };
        for (int k = 0; k <= last; ++k) {
            if (!converted(k)) continue;
            std::string& field = f[static_cast<std::size_t>(k)];
            if (field.empty()) continue;
            double v = 0.0;
            if (platform::TryParseReal(field, v)) field = platform::FormatReal(RoundTo(4, v * 25.4));
            // Parameters and expressions are evaluated later, in inches:
            // their value is converted then.
            else field = "(" + field + ")x25.4";
        }
        std::string joined;
        for (std::size_t k = 0; k < f.size(); ++k) {
            if (k > 0) joined += ',';
            joined += f[k];
        }
        out += joined + "*";
    }
    block = out;
}

} // namespace core
