// Pictures from storage: 24-bit BMP files drawn pixel by pixel, PNG files
// through the line decoder (blended onto a background), and the APRS symbol
// icon paths.
#pragma once

#include <stdint.h>

#include "host/board_stubs.h"
#include "host/storage.h"
#include "host/wstring.h"

// Every BMP is drawn this many pixels right of and below the given position.
static const int BMP_DRAW_OFFSET_PX = 8;
// Bytes read from a BMP row at a time (20 pixels).
static const int BMP_READ_CHUNK_BYTES = 60;
// Smallest file that holds the 14-byte file header and a 40-byte info header.
static const uint32_t BMP_MIN_HEADER_BYTES = 54;

// Little-endian 16- and 32-bit reads from an open file (missing bytes read as 0).
uint16_t bmpRead16(fs::File& file);
uint32_t bmpRead32(fs::File& file);

// Draws an uncompressed 24-bit BMP at (x + 8, y + 8); false (nothing drawn)
// for a missing file, another variant, a damaged header or an image larger
// than maxW x maxH; false as well when the file ends early while drawing.
bool drawBmp24FromSD(const String& filename, int x, int y, int maxW, int maxH);

// Draws a PNG at (x, y) when it fits maxW x maxH, blending transparent
// pixels onto bg565; false when it could not be drawn.
bool drawPngFromSD(const String& filename, int x, int y, int maxW, int maxH, uint16_t bg565);

// PNG drawing state, valid during one drawPngFromSD call.
extern PNG pngDecoder;
extern fs::File pngFile;
extern uint16_t* pngLineBuffer;
extern size_t pngLineBufferPixels;
extern int pngDrawX, pngDrawY, pngMaxW, pngMaxH;
extern bool pngDecodeOk;
extern uint16_t pngBlendBg565, pngBlendBg565Buffer;
extern uint8_t pngBlendBgR, pngBlendBgG, pngBlendBgB;
extern int pngPixelType;
extern bool pngHasAlpha;

// Decoder callbacks: open (size out, null on failure), close, read, seek
// (the position, 0 on failure) and the line callback (1 when drawn).
void* pngOpen(const char* filename, int32_t* size);
void pngClose(void* handle);
int32_t pngRead(PNGFILE* pngfile, uint8_t* buffer, int32_t length);
int32_t pngSeek(PNGFILE* pngfile, int32_t position);
int pngDraw(PNGDRAW* pDraw);
// Sets the drawing state for one image at (x, y) in a maxW x maxH box.
void preparePngDrawState(int x, int y, int maxW, int maxH, uint16_t bg565);

// RGB565 to 8-bit channels (integer expansion).
void rgb565To888Components(uint16_t c, uint8_t& r, uint8_t& g, uint8_t& b);
// The colour in line-buffer byte order (the same value here).
uint16_t pngBufferColor565(uint16_t c);

// Path of the icon "/aprs/<col><row>.png" for an APRS symbol, without
// checking storage; empty for an unusable symbol and for the two alternate
// symbols whose name would be that of a primary one ("\b", "\r").
String aprsIconPathForSymbol(const String& symbol);
// The same path when the file exists, else empty.
String aprsIconPath(const String& symbol);
// Draws the symbol's icon in a 32 x 32 box, or a drawn marker (then false).
bool drawAprsIcon(const String& symbol, int x, int y, uint16_t bg565);
