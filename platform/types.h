// Basic types of the platform services: handles, rectangles, colours.
//
// Handles are opaque pointers to objects that only a back end knows. The
// portable code compares them with null and passes them back, nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct Module;             // a loaded program image with its embedded resources
struct WindowObject;       // a top-level window, a dialog or a control
struct IconObject;         // a loaded icon image
struct DrawingObject;      // a device context: drawing state bound to one window
struct LibraryObject;      // a loaded library
struct EnumerationObject;  // a running root-directory enumeration

using InstanceHandle = const Module*;
using WindowHandle = WindowObject*;
using IconHandle = IconObject*;
using DeviceContext = DrawingObject*;
using LibraryHandle = LibraryObject*;
using FindHandle = EnumerationObject*;

// Colour value 0x00BBGGRR.
using Colour = std::uint32_t;

constexpr Colour MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) |
           (static_cast<Colour>(blue) << 16);
}
constexpr std::uint8_t RedOf(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// A rectangle in pixels; right and bottom are exclusive.
struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

}  // namespace platform
