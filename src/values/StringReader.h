#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// The unit that follows a number in a typed text. The writers use the same
// codes to show a value again in the unit the user typed it in. Value 10 is
// not used; codes above 11 can only come from a program step and are written
// as unknown units.
enum TUnitCode : uint8_t {
    ucNone = 0,
    ucPercent = 1,
    ucDecibel = 2,
    ucSecond = 3,
    ucMilliSecond = 4,
    ucHertz = 5,
    ucKiloHertz = 6,
    ucSampleValue = 7,
    ucDegree = 8,
    // Never read from a text: a balance typed in degrees remembers this, so
    // that it is written back as degrees of 90 rather than of 360.
    ucBalanceDegree = 9,
    ucUnknown = 11,
};

// What a value must satisfy after it was read. Kinds above 7 accept everything.
enum TCheckKind : uint8_t {
    ckNone = 0,
    ckNotZero = 1,
    ckNotPositive = 2,
    ckNotNegative = 3,
    ckNegative = 4,
    ckPositive = 5,
    ckZeroToOne = 6,
    ckBetweenZeroAndOne = 7,
};

// How a value must relate to an integer bound. Any other value is a
// programming error.
enum TBoundRelation : uint8_t {
    bdNotEqual = 1,
    bdAtMost = 2,
    bdAtLeast = 3,
    bdBelow = 4,
    bdAbove = 5,
};

// Reads the numbers that the user types, with their units, into the
// quantities the sound operations use.
//
// Every read starts afresh at the beginning of the reader's text. On success
// it returns true and writes its out parameter; on failure it returns false,
// leaves the out parameter alone (unless said otherwise) and replaces
// ErrorMessage() with one English sentence meant for the user. No read throws.
//
// The text is kept up to its first NUL byte, as the zero-terminated string it
// always was.
class TStringReader {
public:
    TStringReader() = default;
    explicit TStringReader(const std::string& text);

    const std::string& Text() const { return text_; }
    // Empty until a read fails; then the message of the last failure.
    const std::string& ErrorMessage() const { return message_; }

    // A plain number: "-5", "- 5", "1,5", ".5", "1/3". No unit is read.
    bool ReadNumber(double& value);
    // The unit behind the number ("5 ms" gives ucMilliSecond). Fails only when
    // the number itself cannot be read.
    bool ReadUnit(TUnitCode& unit);
    // As ReadUnit; when the number cannot be read, `unit` is left untouched.
    bool UnitOfText(TUnitCode& unit);

    // "+" and then "-" directly at the start, then at most ten digits. Never
    // fails: no digits give 0, text after the digits is ignored.
    bool ReadInteger(int32_t& value);
    bool ReadIntegerChecked(int32_t& value, TCheckKind kind);
    bool ReadIntegerBounded(int32_t& value, TBoundRelation relation, int32_t bound);

    // A 16-bit sample from a factor of full scale, a percentage or a raw
    // "$" value, truncated toward zero. The sample is stored before the check
    // kind is applied, so a value that fails only the check is still written.
    bool ReadWaveValue(int16_t& sample, TCheckKind kind);
    // A factor, or a percentage of one. Stored before the check, like above.
    bool ReadFactor(double& value, TCheckKind kind);
    // As ReadFactor with no check, or decibels. A decibel value is never checked.
    bool ReadVolumeFactor(double& value);
    // A fraction of a period in [0, 1): a factor in [-1, 1) or degrees in
    // [-360, 360); negative phases count back from a whole period.
    bool ReadPhase(double& value);
    // A balance in [-1, 1]: a factor, or degrees in [-90, 90].
    bool ReadBalance(double& value);
    // Seconds, from "s", "ms", "Hz", "kHz" or a note name (its period). The
    // check kind applies to the seconds, never to a note.
    bool ReadTime(double& seconds, TCheckKind kind);
    // Hertz, from the same units as ReadTime or a note name.
    bool ReadFrequency(double& hertz, TCheckKind kind);
    // A note name: a letter, an optional "#" and an octave from -2 to 12
    // (5 when none is given). "C5" is 523.26 Hz. A text that does not start
    // with a note letter fails without changing the message.
    bool ReadNote(double& hertz);

    bool CheckValue(double value, TCheckKind kind);
    bool CheckBound(double value, TBoundRelation relation, int32_t bound);

private:
    bool readNumberAt(size_t& pos, double& value);
    bool readNumberAndUnit(double& value, TUnitCode& unit);
    TUnitCode readUnitAt(size_t& pos) const;
    void skipBlanks(size_t& pos) const;
    int32_t readDigitGroup(size_t& pos, int& digits) const;
    int32_t readIntegerAt(size_t& pos, int& digits) const;
    bool wrongUnit(TUnitCode unit, const char* accepted);
    bool fail(std::string message);
    char at(size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

    std::string text_;
    std::string message_;
};

}  // namespace korvane
