// Reads the names printed on a plan: each request on standard input is a grayscale picture of
// one label, each reply on standard output the text read and its confidence (see
// readerprotocol.h). It runs as a process of its own because Tesseract's thread count can only
// be fixed before the process starts, and so that a crash in it cannot take the editor along.
//
//   quorvel-reader [--psm N,...] [--enough C]
// N are Tesseract's page segmentation modes to try in turn until a reading's confidence is C
// (6 alone unless given: a single block, which reads labels of one line or two best).

#include "reader/readerprotocol.h"

#include <tesseract/baseapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// What site numbers are made of. Without the space in it Tesseract drops the gaps between words.
constexpr const char *Whitelist =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-/. ";

// OpenMP reads its thread limit once, when the process starts; with more than one thread on a
// busy two-core machine every reading is several times slower. Started without the limit, the
// reader starts itself again with it.
void ensureOneThread(char *argv[])
{
    if (std::getenv("OMP_THREAD_LIMIT"))
        return;
    setenv("OMP_THREAD_LIMIT", "1", 1);
    execv("/proc/self/exe", argv);
    // Carrying on is slower but still right.
}

bool readExactly(void *buffer, size_t size)
{
    auto *bytes = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        const ssize_t n = read(STDIN_FILENO, bytes, size);
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool writeAll(const void *data, size_t size)
{
    return std::fwrite(data, 1, size, stdout) == size;
}

std::uint32_t word(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16
        | std::uint32_t(at[3]) << 24;
}

void putWord(unsigned char *at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A label over several lines reads as one line: every run of white space becomes one space.
std::string joinedLines(const char *text)
{
    std::string joined;
    bool gap = false;
    for (const char *c = text; *c; ++c) {
        if (*c == ' ' || *c == '\n' || *c == '\t' || *c == '\r') {
            gap = !joined.empty();
            continue;
        }
        if (gap)
            joined += ' ';
        gap = false;
        joined += *c;
    }
    if (joined.size() > ReaderProtocol::MaxText)
        joined.resize(ReaderProtocol::MaxText);
    return joined;
}

bool reply(std::uint32_t id, int confidence, const std::string &text)
{
    unsigned char header[ReaderProtocol::ReplyHeaderSize];
    std::memcpy(header, ReaderProtocol::ReplyMagic, 4);
    putWord(header + 4, id);
    putWord(header + 8, std::uint32_t(confidence));
    putWord(header + 12, std::uint32_t(text.size()));
    return writeAll(header, sizeof header) && writeAll(text.data(), text.size())
        && std::fflush(stdout) == 0;
}

const char *option(int argc, char *argv[], const char *name, const char *fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    }
    return fallback;
}

std::vector<tesseract::PageSegMode> pageSegModes(const char *list)
{
    std::vector<tesseract::PageSegMode> modes;
    for (const char *at = list; *at;) {
        char *end = nullptr;
        modes.push_back(static_cast<tesseract::PageSegMode>(std::strtol(at, &end, 10)));
        at = *end == ',' ? end + 1 : end;
        if (end == at && *at)
            break;
    }
    return modes;
}

struct Reading
{
    std::string text;
    int confidence = 0;
};

// Reads the image set last in each mode in turn until one is sure enough of its reading; the
// surest reading wins.
Reading readLabel(
    tesseract::TessBaseAPI &api, const std::vector<tesseract::PageSegMode> &modes, int enough)
{
    Reading best;
    for (const tesseract::PageSegMode mode : modes) {
        api.SetPageSegMode(mode);
        const std::unique_ptr<char[]> text(api.GetUTF8Text());
        Reading reading;
        reading.text = text ? joinedLines(text.get()) : std::string();
        reading.confidence = reading.text.empty() ? 0 : api.MeanTextConf();
        if (best.text.empty() || reading.confidence > best.confidence)
            best = reading;
        if (best.confidence >= enough)
            break;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    ensureOneThread(argv);

    // Labels are codes, not words: the dictionaries would only pull "A-14" towards English, and
    // leaving them out saves a third of the start and half of each reading.
    std::vector<std::string> names { "load_system_dawg", "load_freq_dawg", "load_punc_dawg",
        "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg" };
    std::vector<std::string> values(names.size(), "0");
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false)
        != 0) {
        std::fprintf(stderr, "quorvel-reader: cannot load Tesseract's English data\n");
        return 2;
    }
    api.SetVariable("tessedit_char_whitelist", Whitelist);
    api.SetVariable("debug_file", "/dev/null");
    const std::vector<tesseract::PageSegMode> modes =
        pageSegModes(option(argc, argv, "--psm", "6"));
    const int enough = std::atoi(option(argc, argv, "--enough", "101"));
    if (!writeAll(ReaderProtocol::Ready, 4) || std::fflush(stdout) != 0)
        return 1;

    std::vector<unsigned char> pixels;
    for (;;) {
        unsigned char header[ReaderProtocol::RequestHeaderSize];
        if (!readExactly(header, sizeof header))
            return 0;
        const std::uint32_t id = word(header + 4);
        const std::uint32_t width = word(header + 8);
        const std::uint32_t height = word(header + 12);
        const std::uint32_t layout = word(header + 16);
        if (std::memcmp(header, ReaderProtocol::RequestMagic, 4) != 0 || width == 0 || height == 0
            || width > ReaderProtocol::MaxSide || height > ReaderProtocol::MaxSide
            || std::uint64_t(width) * height > ReaderProtocol::MaxPixels
            || layout >= tesseract::PSM_COUNT) {
            std::fprintf(stderr, "quorvel-reader: malformed request\n");
            return 1;
        }
        pixels.resize(size_t(width) * height);
        if (!readExactly(pixels.data(), pixels.size()))
            return 1;

        api.SetImage(pixels.data(), int(width), int(height), 1, int(width));
        // Crops carry no resolution; this one keeps Tesseract from guessing (and saying so).
        api.SetSourceResolution(300);
        const Reading reading = layout == 0
            ? readLabel(api, modes, enough)
            : readLabel(api, { static_cast<tesseract::PageSegMode>(layout) }, enough);
        if (!reply(id, reading.confidence, reading.text))
            return 1;
    }
}
