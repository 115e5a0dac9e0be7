#pragma once

// The calls into libjpeg. Each function that calls the library sets up its
// own setjmp and holds only plain data, so a libjpeg error comes back as a
// failed result with libjpeg's message code and never jumps across a C++
// frame with destructors; the C++ caller turns the code into an exception.

#include <cstddef>
#include <cstdint>

namespace vantora::jpeg {

struct HeaderInfo {
  int width = 0;
  int height = 0;
  bool grayscale = false;
  bool progressive = false;
};

// Reads the header of a complete stream (the image is required). Returns
// true on success, otherwise false with libjpeg's code in *errorCode.
bool ReadHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* info, int* errorCode);

struct DecodeOptions {
  bool grayscaleOutput = false;
  bool eightBit = false;  // quantise colour output to a palette
  bool smoothing = true;
  bool bestSpeed = false;
  // A stream whose data ends before its picture does fails with the
  // warning's code, instead of being completed with an end-of-image marker
  // and decoding to a picture whose missing part is flat grey.
  bool requireCompleteData = false;
};

struct DecodeInfo {
  int width = 0;
  int height = 0;
  bool indexed = false;  // rows hold one palette index per pixel
  int paletteSize = 0;
  std::uint32_t palette[256] = {};  // 0xRRGGBB
};

struct Decoder;
Decoder* NewDecoder();  // null when out of memory
void DeleteDecoder(Decoder* decoder);
int DecoderError(const Decoder* decoder);
// Reads the header, refuses what the station cannot hold, and starts the
// decompressor; rows then come out as blue, green, red triples or indices.
bool DecoderStart(Decoder* decoder, const std::uint8_t* data, std::size_t size, const DecodeOptions* options,
                  DecodeInfo* info);
// Fills every output row, top row first, then finishes the stream.
bool DecoderReadRows(Decoder* decoder, std::uint8_t* const* rows, int count);

struct EncodeOptions {
  int quality = 90;
  bool grayscale = false;
  bool progressive = false;
};

// The compressed stream in a malloc'd buffer that grows in 4096-byte blocks.
struct EncodedBuffer {
  unsigned char* data = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
};

// Compresses height rows of width blue-green-red pixels, top row first.
// On success the caller owns out->data (free it with FreeEncoded); on
// failure the buffer is already released.
bool Encode(const std::uint8_t* const* rows, int width, int height, const EncodeOptions* options, EncodedBuffer* out,
            int* errorCode);
void FreeEncoded(EncodedBuffer* buffer);

}  // namespace vantora::jpeg
