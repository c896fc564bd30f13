#pragma once
#include <cstdint>

// The numbers of the controller's register protocol, as both ends put them on the line.
//
// Request: address (always 0), command, register or memory address, data.
// Reply:   status (0 = valid), kind, body.
namespace Wire {

inline constexpr std::uint8_t kAddress = 0x00;
inline constexpr std::uint8_t kStatusValid = 0x00;

enum Command : std::uint8_t {
    WriteRegister = 0x02,  // register, value (0xD0: NV register number, value lo hi)
    ReadRegister = 0x03,   // register (0xD0: NV register number)
    DumpRam = 0x07,        // address lo hi, count lo hi (one 16-byte block)
    WriteRam = 0x09,       // address lo hi, data bytes
    DumpNv = 0x0C,
    WriteNv = 0x0E,
};

enum ReplyKind : std::uint8_t {
    RegisterValue = 4,  // register, then its value
    RamBlock = 8,       // address lo hi, 16 data bytes
    Tick = 10,          // the controller's tick count in c
    PowerUp = 11,       // the controller has just started
    NvBlock = 13,
};

enum Register : std::uint8_t {
    ColdJunction = 0x00,    // c: 1/16 °C, kColdJunctionNoReading without a sensor
    FirstChannel = 0x10,    // channels 1..8 at 0x10..0x17: c the sum of readings, p their count
    LastChannel = 0x1E,     // 0x18..0x1E are accepted as channels 9..15, never asked for
    HeaterPower = 0x20,     // written: 0..100 %
    OutputA = 0x21,         // written: 0..100
    OutputB = 0x22,
    NvRegister = 0xD0,      // NV register n: byte 3 n, bytes 4..5 its value
    ControllerName = 0xE0,  // bytes 3.. the name
    Firmware = 0xE1,        // bytes 3.. the firmware version
    MainsCounter = 0xF0,    // c: 200 × the mains frequency in Hz
    MainsCounter2 = 0xF1,
};

inline constexpr int kChannels = 8;  // channels the program asks for
inline constexpr int kColdJunctionNoReading = 0x4000;
inline constexpr int kDumpBlockBytes = 16;
// A thermocouple channel whose average reading is below this has no signal (a broken wire).
inline constexpr double kMinHealthyCounts = 30;
// The name that makes the program ask for the firmware version.
inline constexpr const char* kArdentorName = "Ardentor PC";

}  // namespace Wire
