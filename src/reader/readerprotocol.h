#pragma once

// The byte stream between the editor and the name reader process. Every number is a 32-bit
// little-endian word.
//
// Once the reader is ready it writes Ready. Each request is RequestMagic, an id, width, height,
// the layout (0: the reader's own page segmentation modes, else the one Tesseract mode to read
// in) and width * height bytes of 8-bit gray, row after row. The reply is ReplyMagic, the request's
// id, the confidence (0 to 100), the length of the text and its UTF-8 bytes. Replies come in
// the order of the requests. The reader exits when its input ends.

#include <cstdint>

namespace ReaderProtocol {

inline constexpr char Ready[4] = { 'Q', 'R', 'D', 'Y' };
inline constexpr char RequestMagic[4] = { 'Q', 'R', 'R', 'Q' };
inline constexpr char ReplyMagic[4] = { 'Q', 'R', 'R', 'S' };
inline constexpr int RequestHeaderSize = 20;
inline constexpr int ReplyHeaderSize = 16;
inline constexpr std::uint32_t MaxSide = 8192;
inline constexpr std::uint64_t MaxPixels = 16 * 1024 * 1024;
inline constexpr std::uint32_t MaxText = 4096;

} // namespace ReaderProtocol
