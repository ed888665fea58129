#pragma once

#include <cstdint>

namespace korvane {

// The code points the score draws with the music font: Unicode's musical
// symbols and the accidentals of the miscellaneous symbols.
namespace glyph {
constexpr char32_t GClef = 0x1D11E;
constexpr char32_t CClef = 0x1D121;
constexpr char32_t FClef = 0x1D122;
constexpr char32_t WholeNote = 0x1D15D;
constexpr char32_t VoidHead = 0x1D157;
constexpr char32_t BlackHead = 0x1D158;
// Whole, half, quarter, eighth ... sixty-fourth rest.
constexpr char32_t Rest[7] = {0x1D13B, 0x1D13C, 0x1D13D, 0x1D13E, 0x1D13F, 0x1D140, 0x1D141};
constexpr char32_t DoubleSharp = 0x1D12A;
constexpr char32_t Sharp = 0x266F;
constexpr char32_t Natural = 0x266E;
constexpr char32_t Flat = 0x266D;
constexpr char32_t DoubleFlat = 0x1D12B;
}  // namespace glyph

// The glyph of an accidental by note shift kind (double cross ... double
// mol); 0 for noteShiftNone.
char32_t AccidentalGlyph(uint8_t noteShiftKind);

}  // namespace korvane
