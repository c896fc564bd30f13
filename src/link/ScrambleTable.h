#pragma once
#include <array>
#include <cstdint>

// The 256 bytes that frame payloads are scrambled with. Both ends of the line must hold the
// same table: the program and the controller firmware (and the emulator, which builds on the
// same copy).
extern const std::array<std::uint8_t, 256> ScrambleTable;
