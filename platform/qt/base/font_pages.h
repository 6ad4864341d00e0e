// The pages of font files that the process has mapped.
//
// FreeType maps each font file whole, and the kernel maps a fault's
// neighbours with it (64 kB around each page read): drawing a few dozen
// Japanese glyphs once leaves megabytes of the font file in the process's
// resident memory, though Qt keeps the glyphs it rendered. Those pages stay
// in the system's file cache; let go, the process's own footprint shrinks,
// and a page needed again is mapped again from the cache.
#pragma once

namespace platform::qt {

// Lets go of the mapped pages of every font file, at once.
void LetGoOfFontPages();

// The same, once the loop has finished what it is doing (a refresh that
// draws with a font just read, say).
void LetGoOfFontPagesSoon();

}  // namespace platform::qt
