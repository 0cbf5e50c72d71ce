// One dive site as the dive computer stores it: a 64-byte slot holding the
// type code, a 55-byte UTF-8 name and the coordinates in degrees × 1 000 000.
// The program keeps sites in exactly this form, so lists go to and from the
// device and to files without conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv::sites {

// Type code of a site and index of its list. Not the numbering of the dive
// log's dive type: gauge and freedive are the other way round there.
enum class DiveSiteType : uint8_t { Scuba = 0, Freedive = 1, Gauge = 2 };

inline constexpr int kTypeCount = 3;
inline constexpr size_t kMaxSites = 64;  // one 4 KiB device block of 64-byte slots
inline constexpr size_t kNameBytes = 55;
inline constexpr size_t kSlotBytes = 64;
inline constexpr uint8_t kEmptySlot = 0xFF;  // type byte of an erased slot

// "scuba", "freedive", "gauge"; empty for any other code.
const char* TypeElementName(int code);
bool IsTypeCode(int code);

struct DiveSite {
  uint8_t type = 0;
  std::array<char, kNameBytes> name{};  // zero-padded; may be full without a zero
  int32_t latitude = 0;                 // degrees × 1 000 000
  int32_t longitude = 0;

  // The bytes up to the first zero or the end of the field.
  std::string Name() const;
  // Stores `utf8` up to its first zero byte, cut to the field without
  // splitting a character; the rest of the field becomes zero.
  void SetName(std::string_view utf8);

  static DiveSite Make(uint8_t type, std::string_view name, int32_t latitude, int32_t longitude);

  bool operator==(const DiveSite&) const = default;
};

using SiteList = std::vector<DiveSite>;
using SiteLists = std::array<SiteList, kTypeCount>;

// The slot bytes (numbers little-endian) and back.
void EncodeSlot(const DiveSite& site, uint8_t* slot);
DiveSite DecodeSlot(const uint8_t* slot);

// The longest prefix of `utf8` of at most `limit` bytes that does not end
// inside a multi-byte character.
std::string_view CutUtf8(std::string_view utf8, size_t limit);

// --- Coordinates ---

// Degrees × 1 000 000 truncated toward zero, taken from the decimal digits
// as written, so "64.863008" is 64863008 and "-8.4095178" is -8409517.
// Reads the leading numeric part (optional blanks, sign, digits, point,
// digits, exponent) the way strtod would; no number gives 0. Values past the
// 32-bit range are held at its ends.
int32_t ParseMicroDegrees(std::string_view text);
// The same leading number as a double, in degrees; 0 when there is none.
double ParseDegrees(std::string_view text);
// The same for a number the program holds as a double (a map position): its
// shortest decimal form is what is truncated, so a value that came from
// "64.863008" does not lose its last millionth. NaN gives 0.
int32_t DegreesToMicro(double degrees);
double MicroToDegrees(int32_t micro);
// "%.6f" of micro / 1 000 000, computed exactly: 25033000 gives "25.033000".
std::string FormatMicroDegrees(int32_t micro);
// "%.6f" of a double.
std::string FormatDegrees(double degrees);

}  // namespace orv::sites
