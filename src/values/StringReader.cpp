#include "values/StringReader.h"

#include <cmath>

#include "core/Assert.h"
#include "core/Sample.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

// The lists of accepted units that the unit messages end with.
constexpr const char* kWaveValueUnits = "'%', '$' or no unit.";
constexpr const char* kFactorUnits = "'%' or no unit.";
constexpr const char* kVolumeFactorUnits = "'%', 'dB' or no unit.";
constexpr const char* kAngleUnits = "'%', ' ' ' or no unit.";
constexpr const char* kTimeUnits = "'s', 'ms', 'Hz', 'kHz'.";

// A digit group holds at most ten digits, the most that the old 32-bit
// accumulator took; an eleventh digit is left for the unit reader.
constexpr int kMaxGroupDigits = 10;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isNoteLetter(char c) {
    char u = upper(c);
    return u >= 'A' && u <= 'G';
}

}  // namespace

TStringReader::TStringReader(const std::string& text) : text_(text.substr(0, text.find('\0'))) {}

bool TStringReader::fail(std::string message) {
    message_ = std::move(message);
    return false;
}

void TStringReader::skipBlanks(size_t& pos) const {
    while (isBlank(at(pos))) ++pos;
}

int32_t TStringReader::readDigitGroup(size_t& pos, int& digits) const {
    // Ten digits can exceed the 32-bit range; the sum wraps around as the
    // 32-bit accumulator always did, done unsigned so that it stays defined.
    uint32_t sum = 0;
    digits = 0;
    while (digits < kMaxGroupDigits && isDigit(at(pos))) {
        sum = sum * 10u + static_cast<uint32_t>(at(pos) - '0');
        ++pos;
        ++digits;
    }
    return static_cast<int32_t>(sum);
}

bool TStringReader::readNumberAt(size_t& pos, double& value) {
    // Only the very first character may be a sign; blanks may follow it.
    double sign = 1;
    if (at(pos) == '-') {
        sign = -1;
        ++pos;
    } else if (at(pos) == '+') {
        ++pos;
    }
    skipBlanks(pos);
    int digits = 0;
    const int32_t whole = readDigitGroup(pos, digits);
    const char next = at(pos);
    if (next == '.' || next == ',') {
        ++pos;
        int fractionDigits = 0;
        const int32_t fraction = readDigitGroup(pos, fractionDigits);
        // 10^d is exact for d <= 10, so this is the correctly rounded F x 10^-d.
        value = sign * (whole + fraction / std::pow(10.0, fractionDigits));
        return true;
    }
    if (next == '/') {
        ++pos;
        int denominatorDigits = 0;
        const int32_t denominator = readDigitGroup(pos, denominatorDigits);
        if (digits == 0) return fail("Input has no value before '/'.");
        if (denominatorDigits == 0) return fail("Input has no value after '/'.");
        if (denominator == 0) return fail("Broke is invalid.");
        value = sign * whole / denominator;
        return true;
    }
    if (digits == 0) return fail("Input has no value.");
    value = sign * whole;
    return true;
}

TUnitCode TStringReader::readUnitAt(size_t& pos) const {
    if (pos >= text_.size()) return ucNone;
    struct Spelling {
        const char* text;
        TUnitCode unit;
    };
    // Order matters only where one spelling begins another; the first match wins.
    static constexpr Spelling spellings[] = {
        {"%", ucPercent},      {"$", ucSampleValue}, {"S", ucSecond},      {"'", ucDegree},
        {"MS", ucMilliSecond}, {"HZ", ucHertz},      {"KHZ", ucKiloHertz}, {"DB", ucDecibel},
    };
    for (const Spelling& s : spellings) {
        size_t n = 0;
        while (s.text[n] != '\0' && upper(at(pos + n)) == s.text[n]) ++n;
        if (s.text[n] == '\0') {
            pos += n;
            return s.unit;
        }
    }
    return ucUnknown;
}

bool TStringReader::readNumberAndUnit(double& value, TUnitCode& unit) {
    size_t pos = 0;
    double v = 0;
    if (!readNumberAt(pos, v)) return false;
    skipBlanks(pos);
    value = v;
    unit = readUnitAt(pos);
    return true;
}

bool TStringReader::wrongUnit(TUnitCode unit, const char* accepted) {
    if (unit == ucUnknown) return fail(std::string("This unit does not exist, use: ") + accepted);
    return fail(std::string("Wrong unit used, use: ") + accepted);
}

bool TStringReader::ReadNumber(double& value) {
    size_t pos = 0;
    return readNumberAt(pos, value);
}

bool TStringReader::ReadUnit(TUnitCode& unit) {
    double ignored = 0;
    return readNumberAndUnit(ignored, unit);
}

bool TStringReader::UnitOfText(TUnitCode& unit) {
    TUnitCode read = ucNone;
    double ignored = 0;
    if (!readNumberAndUnit(ignored, read)) return false;
    unit = read;
    return true;
}

int32_t TStringReader::readIntegerAt(size_t& pos, int& digits) const {
    if (at(pos) == '+') ++pos;
    bool negative = false;
    if (at(pos) == '-') {
        negative = true;
        ++pos;
    }
    uint32_t magnitude = static_cast<uint32_t>(readDigitGroup(pos, digits));
    if (negative) magnitude = 0u - magnitude;
    return static_cast<int32_t>(magnitude);
}

bool TStringReader::ReadInteger(int32_t& value) {
    size_t pos = 0;
    int digits = 0;
    value = readIntegerAt(pos, digits);
    return true;
}

bool TStringReader::ReadIntegerChecked(int32_t& value, TCheckKind kind) {
    int32_t v = 0;
    ReadInteger(v);
    if (!CheckValue(v, kind)) return false;
    value = v;
    return true;
}

bool TStringReader::ReadIntegerBounded(int32_t& value, TBoundRelation relation, int32_t bound) {
    int32_t v = 0;
    ReadInteger(v);
    if (!CheckBound(v, relation, bound)) return false;
    value = v;
    return true;
}

bool TStringReader::ReadWaveValue(int16_t& sample, TCheckKind kind) {
    double v = 0;
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    int16_t s = 0;
    switch (unit) {
        case ucNone:
            if (v > 1) return fail("Wave Value is too high. (maximum: 1)");
            if (v < -1) return fail("Wave Value is too low. (minimum: -1)");
            s = toSample(v * 32767);
            break;
        case ucPercent:
            if (v > 100) return fail("Wave Value is too high. (maximum: 100 %)");
            if (v < -100) return fail("Wave Value is too low. (minimum: -100 %)");
            s = toSample(v * 327.67);
            break;
        case ucSampleValue:
            if (v > 32767) return fail("Wave Value is too high. (maximum: 32767 $)");
            if (v < -32768) return fail("Wave Value is too low. (minimum: -32768 $)");
            s = toSample(v);
            break;
        default:
            return wrongUnit(unit, kWaveValueUnits);
    }
    sample = s;
    return CheckValue(s, kind);
}

bool TStringReader::ReadFactor(double& value, TCheckKind kind) {
    double v = 0;
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    if (unit == ucPercent) {
        v = v * 0.01;
    } else if (unit != ucNone) {
        return wrongUnit(unit, kFactorUnits);
    }
    value = v;
    return CheckValue(v, kind);
}

bool TStringReader::ReadVolumeFactor(double& value) {
    double v = 0;
    if (ReadFactor(v, ckNone)) {
        value = v;
        return true;
    }
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    if (unit != ucDecibel) return wrongUnit(unit, kVolumeFactorUnits);
    value = std::pow(10.0, v * 0.05);
    return true;
}

bool TStringReader::ReadPhase(double& value) {
    double v = 0;
    if (ReadFactor(v, ckNone)) {
        if (v < -1) return fail("Fase is too low. (minimum: -1 or -100 %)");
        if (v >= 1) return fail("Fase is too high. (maximum: less than 1 or 100 %)");
        value = v < 0 ? v + 1 : v;
        return true;
    }
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    if (unit != ucDegree) return wrongUnit(unit, kAngleUnits);
    if (v < -360) return fail("Fase is too low. (minimum: -360' )");
    if (v >= 360) return fail("Fase is too high. (maximum: less than 360' )");
    v = v / 360;
    value = v < 0 ? v + 1 : v;
    return true;
}

bool TStringReader::ReadBalance(double& value) {
    double v = 0;
    if (ReadFactor(v, ckNone)) {
        if (v < -1) return fail("Balance Factor is too low. (minimum: -1 or -100 %)");
        if (v > 1) return fail("Balance Factor is too high. (maximum: 1 or 100 %)");
        value = v;
        return true;
    }
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    if (unit != ucDegree) return wrongUnit(unit, kAngleUnits);
    if (v < -90) return fail("Balance Angle is too low. (minimum: -90' )");
    if (v > 90) return fail("Balance Angle is too high. (maximum: 90' )");
    value = v / 90;
    return true;
}

bool TStringReader::ReadTime(double& seconds, TCheckKind kind) {
    if (isNoteLetter(at(0))) {
        double hertz = 0;
        if (!ReadNote(hertz)) return false;
        seconds = 1 / hertz;
        return true;
    }
    double v = 0;
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    double s = 0;
    switch (unit) {
        case ucSecond:
            s = v;
            break;
        case ucMilliSecond:
            s = v * 0.001;
            break;
        case ucHertz:
            if (v == 0) return fail("You cannot use 0 with 'Hz'.");
            s = 1 / v;
            break;
        case ucKiloHertz:
            if (v == 0) return fail("You cannot use 0 with 'kHz'.");
            s = 0.001 / v;
            break;
        default:
            return wrongUnit(unit, kTimeUnits);
    }
    if (!CheckValue(s, kind)) return false;
    seconds = s;
    return true;
}

bool TStringReader::ReadFrequency(double& hertz, TCheckKind kind) {
    if (isNoteLetter(at(0))) return ReadNote(hertz);
    double v = 0;
    TUnitCode unit = ucNone;
    if (!readNumberAndUnit(v, unit)) return false;
    double f = 0;
    switch (unit) {
        case ucSecond:
            if (v == 0) return fail("You cannot use 0 with 's'.");
            f = 1 / v;
            break;
        case ucMilliSecond:
            if (v == 0) return fail("You cannot use 0 with 'ms'.");
            f = 1000 / v;
            break;
        case ucHertz:
            f = v;
            break;
        case ucKiloHertz:
            f = v * 1000;
            break;
        default:
            return wrongUnit(unit, kTimeUnits);
    }
    if (!CheckValue(f, kind)) return false;
    hertz = f;
    return true;
}

bool TStringReader::ReadNote(double& hertz) {
    int semitones = 0;
    switch (upper(at(0))) {
        case 'C':
            semitones = 0;
            break;
        case 'D':
            semitones = 2;
            break;
        case 'E':
            semitones = 4;
            break;
        case 'F':
            semitones = 5;
            break;
        case 'G':
            semitones = 7;
            break;
        case 'A':
            semitones = 9;
            break;
        case 'B':
            semitones = 11;
            break;
        default:
            return false;
    }
    size_t pos = 1;
    if (at(pos) == '#') {
        if (semitones == 4 || semitones == 11) return fail("This note cannot have a \"#\".");
        ++semitones;
        ++pos;
    }
    int digits = 0;
    int32_t octave = readIntegerAt(pos, digits);
    if (digits == 0) octave = 5;
    if (octave < -2) return fail("The minimum Octave number is -2.");
    if (octave > 12) return fail("The maximum Octave number is 12.");
    hertz = 523.26 * std::pow(2.0, (octave - 5) + semitones / 12.0);
    return true;
}

bool TStringReader::CheckValue(double value, TCheckKind kind) {
    switch (kind) {
        case ckNotZero:
            if (value == 0) return fail("Value must be not 0.");
            break;
        case ckNotPositive:
            if (value > 0) return fail("Value must be negative.");
            break;
        case ckNotNegative:
            if (value < 0) return fail("Value must be positive.");
            break;
        case ckNegative:
            if (value >= 0) return fail("Value must be negative and less than 0.");
            break;
        case ckPositive:
            if (value <= 0) return fail("Value must be positive and more than 0.");
            break;
        case ckZeroToOne:
            if (value < 0) return fail("Value must be positive.");
            if (value > 1) return fail("Value must be no more than 1.");
            break;
        case ckBetweenZeroAndOne:
            if (value <= 0) return fail("Value must be positive and more than 0.");
            if (value >= 1) return fail("Value must be less than 1.");
            break;
        default:
            break;
    }
    return true;
}

bool TStringReader::CheckBound(double value, TBoundRelation relation, int32_t bound) {
    const std::string b = WriteNumber(bound, 1, 0, 0);
    switch (relation) {
        case bdNotEqual:
            return value != bound || fail("Value must be unequal of " + b + ".");
        case bdAtMost:
            return value <= bound || fail("Value must be less or equal of " + b + ".");
        case bdAtLeast:
            return value >= bound || fail("Value must be more or equal of " + b + ".");
        case bdBelow:
            return value < bound || fail("Value must be less than " + b + ".");
        case bdAbove:
            return value > bound || fail("Value must be more than " + b + ".");
    }
    KORVANE_ASSERT(false);
    return false;
}

}  // namespace korvane
