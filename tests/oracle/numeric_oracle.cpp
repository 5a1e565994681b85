// Runs the cases written by gen_numeric_cases.py through CBigInteger, CDecimal
// and the 32-bit integer conversions, and compares each result with the one
// Python computed (the last field). Usage: numeric_oracle CASEFILE.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "OracleMain.h"
#include "core/CQbException.h"
#include "types/CBigInteger.h"
#include "types/CConversions.h"
#include "types/CDecimal.h"

using namespace QbXmlLib5;

namespace {

using QbOracle::Fields;

// Runs `op` and turns an exception into "!" followed by its message. The
// overflow messages must come as CQbOverFlowException, all others as
// CQbInvalidValueException.
std::string Capture(const std::function<std::string()>& op) {
    try {
        return op();
    } catch (const CQbOverFlowException& e) {
        return "!" + e.GetMessage();
    } catch (const CQbInvalidValueException& e) {
        if (e.GetMessage().rfind("The Decimal value", 0) == 0) return "?class " + e.GetMessage();
        return "!" + e.GetMessage();
    } catch (const CQbException& e) {
        return "?class " + e.GetMessage();
    }
}

template <typename T>
std::string CompareAll(const T& a, const T& b) {
    const int order = a < b ? -1 : (a == b ? 0 : 1);
    const bool consistent = (a > b) == (order > 0) && (a != b) == (order != 0) &&
                            (a <= b) == (order <= 0) && (a >= b) == (order >= 0) &&
                            (b < a) == (order > 0);
    return consistent ? std::to_string(order) : "inconsistent operators";
}

// The compound form must agree with the binary one and leave its target
// unchanged when it throws.
template <typename T>
std::string Compound(const std::string& a, const std::string& b,
                     const std::function<void(T&, const T&)>& op) {
    T target(a.c_str());
    const std::string before = target.ToString();
    std::string result = Capture([&] {
        op(target, T(b.c_str()));
        return target.ToString();
    });
    if (result[0] == '!' && target.ToString() != before) return "target changed: " + result;
    return result;
}

using Runner = std::function<std::string(const Fields&)>;

std::map<std::string, Runner> BigIntegerRunners() {
    using B = CBigInteger;
    std::map<std::string, Runner> r;
    r["badd"] = [](const Fields& f) { return (B(f[1]) + B(f[2])).ToString(); };
    r["bsub"] = [](const Fields& f) { return (B(f[1]) - B(f[2])).ToString(); };
    r["bmul"] = [](const Fields& f) {
        std::string product = (B(f[1]) * B(f[2])).ToString();
        std::string compound = Compound<B>(f[1], f[2], [](B& x, const B& y) { x *= y; });
        return product == compound ? product : "*= gave " + compound;
    };
    r["bdiv"] = [](const Fields& f) { return (B(f[1]) / B(f[2])).ToString(); };
    r["bmod"] = [](const Fields& f) { return (B(f[1]) % B(f[2])).ToString(); };
    r["bdivassign"] = [](const Fields& f) {
        return Compound<B>(f[1], f[2], [](B& x, const B& y) { x /= y; });
    };
    r["bmodassign"] = [](const Fields& f) {
        return Compound<B>(f[1], f[2], [](B& x, const B& y) { x %= y; });
    };
    r["bcmp"] = [](const Fields& f) { return CompareAll(B(f[1]), B(f[2])); };
    r["bsqrt"] = [](const Fields& f) { return B(f[1]).SquareRoot().ToString(); };
    r["bint32"] = [](const Fields& f) {
        return std::to_string(static_cast<std::int32_t>(B(f[1])));
    };
    r["bint64"] = [](const Fields& f) {
        return std::to_string(static_cast<std::int64_t>(B(f[1])));
    };
    r["bfromnative"] = [](const Fields& f) {
        if (f[1][0] == '-') return B(std::strtoll(f[1].c_str(), nullptr, 10)).ToString();
        return B(std::strtoull(f[1].c_str(), nullptr, 10)).ToString();
    };
    r["bparse"] = [](const Fields& f) { return B(f[1]).ToString(); };
    r["i4"] = [](const Fields& f) {
        return std::to_string(
            CConversions::i4FromString(f[1], CWhitespaceUtils::WhitespaceRule_Preserve));
    };
    r["ui4"] = [](const Fields& f) {
        return std::to_string(
            CConversions::ui4FromString(f[1], CWhitespaceUtils::WhitespaceRule_Preserve));
    };
    r["bfromdouble"] = [](const Fields& f) {
        return B(std::strtod(f[1].c_str(), nullptr)).ToString();
    };
    return r;
}

std::map<std::string, Runner> DecimalRunners() {
    using D = CDecimal;
    std::map<std::string, Runner> r;
    r["dfromdouble"] = [](const Fields& f) {
        return D(std::strtod(f[1].c_str(), nullptr)).ToString();
    };
    r["dparse"] = [](const Fields& f) { return D(f[2]).ToString(); };
    r["dadd"] = [](const Fields& f) { return (D(f[2]) + D(f[3])).ToString(); };
    r["dsub"] = [](const Fields& f) { return (D(f[2]) - D(f[3])).ToString(); };
    r["dmul"] = [](const Fields& f) { return (D(f[2]) * D(f[3])).ToString(); };
    r["ddiv"] = [](const Fields& f) {
        std::string quotient = Capture([&] { return (D(f[2]) / D(f[3])).ToString(); });
        std::string compound = Compound<D>(f[2], f[3], [](D& x, const D& y) { x /= y; });
        return quotient == compound ? quotient : "/= gave " + compound;
    };
    r["dcmp"] = [](const Fields& f) { return CompareAll(D(f[2]), D(f[3])); };
    r["dtostr"] = [](const Fields& f) { return D(f[2]).ToString(std::atoi(f[3].c_str())); };
    r["dbigint"] = [](const Fields& f) {
        std::string whole = D(f[2]).ToBigInteger().ToString();
        return CBigInteger(D(f[2])).ToString() == whole ? whole : "constructor differs";
    };
    r["dlong"] = [](const Fields& f) { return std::to_string(D(f[2]).ToLong()); };
    r["dlonglong"] = [](const Fields& f) { return std::to_string(D(f[2]).ToLongLong()); };
    r["ddouble"] = [](const Fields& f) {
        double value = D(f[2]).ToDouble();
        if (value == std::strtod(f[3].c_str(), nullptr)) return f[3];
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", value);
        return std::string(text);
    };
    return r;
}

std::string RunCase(const Fields& f) {
    static std::map<std::string, Runner> runners = [] {
        std::map<std::string, Runner> all = BigIntegerRunners();
        all.merge(DecimalRunners());
        return all;
    }();
    // Decimal cases carry the maximum number of places in force.
    const bool decimal = f[0][0] == 'd' && f[0] != "dfromdouble";
    CDecimal::SetMaxDecimalPlaces(decimal ? std::atoi(f[1].c_str()) : 30);
    const auto runner = runners.find(f[0]);
    const std::string actual =
        runner == runners.end() ? "unknown operation" : Capture([&] { return runner->second(f); });
    return actual == f.back() ? "" : "expected: " + f.back() + "\n    actual:   " + actual;
}

}  // namespace

int main(int argc, char** argv) { return QbOracle::RunOracle(argc, argv, RunCase); }
