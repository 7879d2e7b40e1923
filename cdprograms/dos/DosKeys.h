// The keys as DOS gives them (DosReadKey): a character key gives its code,
// a key without one (an arrow, Delete, F1) gives kDosExtendedKey plus its
// scan code. Standard C++ only: the installer's prompt line, which reads
// them, builds natively for its unit tests.
#pragma once

#include <stdint.h>

constexpr uint16_t kDosKeyBackspace = 0x08;
constexpr uint16_t kDosKeyEnter = 0x0D;
constexpr uint16_t kDosKeyEscape = 0x1B;
constexpr uint16_t kDosExtendedKey = 0x100;
constexpr uint16_t kDosKeyHome = kDosExtendedKey + 0x47;
constexpr uint16_t kDosKeyLeft = kDosExtendedKey + 0x4B;
constexpr uint16_t kDosKeyRight = kDosExtendedKey + 0x4D;
constexpr uint16_t kDosKeyEnd = kDosExtendedKey + 0x4F;
constexpr uint16_t kDosKeyDelete = kDosExtendedKey + 0x53;
