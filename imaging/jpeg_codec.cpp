#include "imaging/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imaging/jpeg_image.h"

namespace vantora::jpeg {

namespace {

constexpr std::size_t kBlockBytes = 4096;
// libjpeg's own working memory for one picture (coefficient buffers of a
// progressive file, quantiser tables); beyond it libjpeg fails cleanly.
constexpr long kMaxCodecMemory = 1L << 30;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
  bool failOnMissingData;
};

// Every libjpeg error ends here: keep the message code and return to the
// setjmp of the function that called the library.
void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings and trace messages are of no interest to the station, except
// the two that say the picture's data ran out (the source was completed with
// a made-up end marker, or a scan ended before its data did) when the caller
// wants the whole picture or nothing.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level >= 0 || !err->failOnMissingData) return;
  const int code = cinfo->err->msg_code;
  if (code != JWRN_JPEG_EOF && code != JWRN_HIT_MARKER) return;
  err->code = code;
  std::longjmp(err->jump, 1);
}
void OutputMessage(j_common_ptr) {}

jpeg_error_mgr* InitErrorManager(ErrorManager* err) {
  jpeg_std_error(&err->pub);
  err->pub.error_exit = ErrorExit;
  err->pub.emit_message = EmitMessage;
  err->pub.output_message = OutputMessage;
  err->code = 0;
  err->failOnMissingData = false;
  return &err->pub;
}

// The memory source hands the stream over 4096 bytes at a time. A stream that
// ends early gets an end-of-image marker, so a cut-off photo still decodes
// (the warning given then stops a decoder that wants the whole picture).
struct SourceManager {
  jpeg_source_mgr pub;
  const JOCTET* data;
  std::size_t size;
  std::size_t position;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  if (src->position < src->size) {
    const std::size_t n = src->size - src->position < kBlockBytes ? src->size - src->position : kBlockBytes;
    src->pub.next_input_byte = src->data + src->position;
    src->pub.bytes_in_buffer = n;
    src->position += n;
    return TRUE;
  }
  if (src->size == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  WARNMS(cinfo, JWRN_JPEG_EOF);
  src->pub.next_input_byte = kEndOfImage;
  src->pub.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  if (count <= 0) return;
  std::size_t remaining = static_cast<std::size_t>(count);
  while (remaining > src->pub.bytes_in_buffer) {
    remaining -= src->pub.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += remaining;
  src->pub.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

void InitSourceManager(SourceManager* src, const std::uint8_t* data, std::size_t size) {
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->data = data;
  src->size = size;
  src->position = 0;
}

// A progressive file can carry thousands of tiny scans, each a full pass
// over the picture; stop before that turns into minutes.
void WatchScanCount(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, d->input_scan_number);
}

void RefuseHugePicture(j_decompress_ptr cinfo) {
  const long long pixels = static_cast<long long>(cinfo->image_width) * cinfo->image_height;
  if (pixels > kMaxJpegPixels) ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
}

}  // namespace

struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  SourceManager src;
  jpeg_progress_mgr progress;
  bool created;
};

namespace {

bool ReadHeaderWith(Decoder* d, const std::uint8_t* data, std::size_t size, HeaderInfo* info) {
  if (setjmp(d->err.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  InitSourceManager(&d->src, data, size);
  d->cinfo.src = &d->src.pub;
  jpeg_read_header(&d->cinfo, TRUE);
  RefuseHugePicture(&d->cinfo);
  info->width = static_cast<int>(d->cinfo.image_width);
  info->height = static_cast<int>(d->cinfo.image_height);
  info->grayscale = d->cinfo.jpeg_color_space == JCS_GRAYSCALE;
  info->progressive = jpeg_has_multiple_scans(&d->cinfo) != 0;
  return true;
}

}  // namespace

bool ReadHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* info, int* errorCode) {
  Decoder* d = NewDecoder();
  if (!d) {
    *errorCode = JERR_OUT_OF_MEMORY;
    return false;
  }
  const bool ok = ReadHeaderWith(d, data, size, info);
  *errorCode = d->err.code;
  DeleteDecoder(d);
  return ok;
}

Decoder* NewDecoder() {
  auto* d = static_cast<Decoder*>(std::calloc(1, sizeof(Decoder)));
  if (!d) return nullptr;
  d->cinfo.err = InitErrorManager(&d->err);
  return d;
}

void DeleteDecoder(Decoder* decoder) {
  if (!decoder) return;
  if (decoder->created) jpeg_destroy_decompress(&decoder->cinfo);
  std::free(decoder);
}

int DecoderError(const Decoder* decoder) { return decoder->err.code; }

bool DecoderStart(Decoder* d, const std::uint8_t* data, std::size_t size, const DecodeOptions* options,
                  DecodeInfo* info) {
  if (setjmp(d->err.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  d->cinfo.mem->max_memory_to_use = kMaxCodecMemory;
  d->err.failOnMissingData = options->requireCompleteData;
  InitSourceManager(&d->src, data, size);
  d->cinfo.src = &d->src.pub;
  d->progress.progress_monitor = WatchScanCount;
  d->cinfo.progress = &d->progress;
  jpeg_read_header(&d->cinfo, TRUE);
  RefuseHugePicture(&d->cinfo);
  // Four-component (CMYK, YCCK) and other unusual files would not fit the
  // three-byte pixels of the bitmap: refuse them.
  if (d->cinfo.num_components != 1 && d->cinfo.num_components != 3) ERREXIT(&d->cinfo, JERR_CONVERSION_NOTIMPL);
  if (d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK)
    ERREXIT(&d->cinfo, JERR_CONVERSION_NOTIMPL);

  d->cinfo.scale_num = 1;
  d->cinfo.scale_denom = 1;
  d->cinfo.do_block_smoothing = options->smoothing ? TRUE : FALSE;
  if (options->grayscaleOutput) d->cinfo.out_color_space = JCS_GRAYSCALE;
  const bool grey = d->cinfo.out_color_space == JCS_GRAYSCALE;
  if (options->eightBit || grey) {
    d->cinfo.quantize_colors = TRUE;
    d->cinfo.desired_number_of_colors = 236;
    if (!grey) d->cinfo.out_color_space = JCS_RGB;  // the palette then reads red, green, blue
  } else {
    d->cinfo.out_color_space = JCS_EXT_BGR;
  }
  if (options->bestSpeed) {
    d->cinfo.dct_method = JDCT_IFAST;
    d->cinfo.two_pass_quantize = FALSE;
    d->cinfo.dither_mode = JDITHER_ORDERED;
  }
  jpeg_calc_output_dimensions(&d->cinfo);
  jpeg_start_decompress(&d->cinfo);

  info->width = static_cast<int>(d->cinfo.output_width);
  info->height = static_cast<int>(d->cinfo.output_height);
  info->indexed = d->cinfo.quantize_colors != 0;
  info->paletteSize = 0;
  if (info->indexed && d->cinfo.colormap) {
    const int n = d->cinfo.actual_number_of_colors < 256 ? d->cinfo.actual_number_of_colors : 256;
    for (int i = 0; i < n; ++i) {
      std::uint32_t r, g, b;
      if (d->cinfo.out_color_components == 1) {
        r = g = b = d->cinfo.colormap[0][i];
      } else {
        r = d->cinfo.colormap[0][i], g = d->cinfo.colormap[1][i], b = d->cinfo.colormap[2][i];
      }
      info->palette[i] = (r << 16) | (g << 8) | b;
    }
    info->paletteSize = n;
  }
  return true;
}

bool DecoderReadRows(Decoder* d, std::uint8_t* const* rows, int count) {
  if (setjmp(d->err.jump)) return false;
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    const JDIMENSION done = d->cinfo.output_scanline;
    if (static_cast<int>(done) >= count) ERREXIT(&d->cinfo, JERR_TOO_LITTLE_DATA);
    const JDIMENSION got = jpeg_read_scanlines(&d->cinfo, const_cast<JSAMPARRAY>(rows + done),
                                               static_cast<JDIMENSION>(count) - done);
    if (got == 0) ERREXIT(&d->cinfo, JERR_TOO_LITTLE_DATA);  // a memory source never suspends
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

namespace {

// The memory destination: libjpeg fills one 4096-byte block at a time at the
// end of a buffer that grows as needed.
struct DestinationManager {
  jpeg_destination_mgr pub;
  EncodedBuffer* out;
};

void ReserveBlock(j_compress_ptr cinfo, DestinationManager* dest) {
  EncodedBuffer* out = dest->out;
  if (out->size + kBlockBytes > out->capacity) {
    std::size_t capacity = out->capacity ? out->capacity * 2 : kBlockBytes * 4;
    while (capacity < out->size + kBlockBytes) capacity *= 2;
    auto* grown = static_cast<unsigned char*>(std::realloc(out->data, capacity));
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    out->data = grown;
    out->capacity = capacity;
  }
  dest->pub.next_output_byte = out->data + out->size;
  dest->pub.free_in_buffer = kBlockBytes;
}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->out->size = 0;
  ReserveBlock(cinfo, dest);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->out->size += kBlockBytes;
  ReserveBlock(cinfo, dest);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->out->size += kBlockBytes - dest->pub.free_in_buffer;
}

struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  DestinationManager dest;
  bool created;
};

bool RunEncoder(Encoder* e, const std::uint8_t* const* rows, int width, int height, const EncodeOptions* options) {
  if (setjmp(e->err.jump)) return false;
  jpeg_create_compress(&e->cinfo);
  e->created = true;
  e->dest.pub.init_destination = InitDestination;
  e->dest.pub.empty_output_buffer = EmptyOutputBuffer;
  e->dest.pub.term_destination = TermDestination;
  e->cinfo.dest = &e->dest.pub;
  e->cinfo.image_width = static_cast<JDIMENSION>(width);
  e->cinfo.image_height = static_cast<JDIMENSION>(height);
  e->cinfo.input_components = 3;
  e->cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&e->cinfo);
  jpeg_set_quality(&e->cinfo, options->quality, TRUE);
  if (options->grayscale) jpeg_set_colorspace(&e->cinfo, JCS_GRAYSCALE);
  if (options->progressive) jpeg_simple_progression(&e->cinfo);
  jpeg_start_compress(&e->cinfo, TRUE);
  while (e->cinfo.next_scanline < e->cinfo.image_height) {
    const JDIMENSION done = e->cinfo.next_scanline;
    const JDIMENSION wrote = jpeg_write_scanlines(&e->cinfo, const_cast<JSAMPARRAY>(rows + done),
                                                  static_cast<JDIMENSION>(height) - done);
    if (wrote == 0) ERREXIT(&e->cinfo, JERR_TOO_LITTLE_DATA);
  }
  jpeg_finish_compress(&e->cinfo);
  return true;
}

}  // namespace

bool Encode(const std::uint8_t* const* rows, int width, int height, const EncodeOptions* options, EncodedBuffer* out,
            int* errorCode) {
  auto* e = static_cast<Encoder*>(std::calloc(1, sizeof(Encoder)));
  if (!e) {
    *errorCode = JERR_OUT_OF_MEMORY;
    return false;
  }
  e->cinfo.err = InitErrorManager(&e->err);
  e->dest.out = out;
  const bool ok = RunEncoder(e, rows, width, height, options);
  *errorCode = e->err.code;
  if (e->created) jpeg_destroy_compress(&e->cinfo);
  std::free(e);
  if (!ok) FreeEncoded(out);
  return ok;
}

void FreeEncoded(EncodedBuffer* buffer) {
  std::free(buffer->data);
  buffer->data = nullptr;
  buffer->size = buffer->capacity = 0;
}

}  // namespace vantora::jpeg
