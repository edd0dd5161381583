// PNG compression settings measured on the gallery's own pictures.
//
// The gallery spends most of its time compressing PNG files, so the setting
// it uses should be chosen from measurements on what it actually writes:
// mostly black pictures with thin coloured lines and grey shaded shapes.
// This program decodes the PNG files named on its command line into memory
// once, then encodes all of them into memory with each candidate setting, a
// few times over, and prints one Markdown table: the median CPU and wall time
// of encoding the whole corpus, and the bytes it came to, each also relative
// to what the gallery does now (libpng's simplified API with its defaults).
//
// It is a measurement, not a test: it asserts nothing about speed or size.
// It is not part of the CMake build; build it by hand:
//
//   g++ -std=c++17 -O2 -Wall -Wextra -o /tmp/compression bench/compression.cpp -lspng -lpng16 -lz
//
// (without libspng installed, leave out -lspng: its candidates drop out).
//
// Run it on the 28 pictures of one size, not on contact-sheet.png:
//
//   /tmp/compression [--repetitions N] [--verify] [--only TEXT]... /tmp/pics-1000/[0-9]*.png

#include <png.h>
#include <zlib.h>

#if __has_include(<spng.h>)
#include <spng.h>
#define HAVE_SPNG 1
#else
#define HAVE_SPNG 0
#endif

#include <time.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// An odd count has a true middle; five keeps a 4096-pixel run of every
// candidate under an hour on 2 shared cores.
static constexpr int DEFAULT_REPETITIONS = 5;
static constexpr int BITS_PER_CHANNEL = 8;
static constexpr int CHANNELS = 3;
static constexpr double NANOSECONDS_PER_MILLISECOND = 1e6;
static constexpr double MILLISECONDS_PER_SECOND = 1e3;
// libpng's level when it is told nothing, and zlib's meaning of -1.
static constexpr int DEFAULT_LEVEL = 6;

struct Picture {
    std::string name;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<png_byte> rgb;
    // Built once: the full API wants row pointers, and building them is not
    // what is being compared.
    std::vector<png_bytep> rows;
};

enum class Library { SIMPLIFIED, FULL, SPNG };

struct Candidate {
    Library library = Library::SIMPLIFIED;
    std::string libraryName;
    // For the simplified API only: PNG_IMAGE_FLAG_FAST or 0.
    png_uint_32 simplifiedFlags = 0;
    int level = DEFAULT_LEVEL;
    std::string filterName;
    // libpng's PNG_FILTER_* mask, or libspng's SPNG_FILTER_CHOICE_* mask.
    int filters = 0;
    std::string strategyName;
    int strategy = Z_DEFAULT_STRATEGY;
};

struct Measurement {
    std::vector<double> cpuMilliseconds;
    std::vector<double> wallMilliseconds;
    std::size_t bytes = 0;
    bool bytesVaried = false;
    bool failed = false;
    bool verified = false;
};

// One buffer, large enough for the worst case of the largest picture, is
// reserved before any timing, so that no candidate pays for growing it and
// the simplified API can be handed it whole.
struct Output {
    std::vector<png_byte> bytes;
    std::size_t used = 0;
};

static double milliseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * MILLISECONDS_PER_SECOND +
           static_cast<double>(now.tv_nsec) / NANOSECONDS_PER_MILLISECOND;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2;
}

// The simplified API reads any PNG into 8-bit RGB with no setjmp, which is
// all that loading the corpus needs.
static bool loadPicture(const char* path, Picture& picture)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) {
        std::fprintf(stderr, "%s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.name = path;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "%s: %s\n", path, image.message);
        png_image_free(&image);
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(picture.width) * CHANNELS;
    picture.rows.resize(picture.height);
    for (png_uint_32 y = 0; y < picture.height; ++y)
        picture.rows[y] = picture.rgb.data() + y * stride;
    return true;
}

// What the gallery does now (save.cpp), only into memory instead of a FILE*.
static bool encodeSimplified(const Picture& picture, const Candidate& candidate, Output& output)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGB;
    image.flags = candidate.simplifiedFlags;
    png_alloc_size_t size = output.bytes.size();
    const bool written =
        png_image_write_to_memory(&image, output.bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr) != 0;
    if (!written)
        std::fprintf(stderr, "%s: %s\n", picture.name.c_str(), image.message);
    png_image_free(&image);
    output.used = written ? size : 0;
    return written;
}

static void appendToOutput(png_structp png, png_bytep data, size_t length)
{
    Output* output = static_cast<Output*>(png_get_io_ptr(png));
    if (length > output->bytes.size() - output->used)
        png_error(png, "output buffer too small");
    std::memcpy(output->bytes.data() + output->used, data, length);
    output->used += length;
}

// Nothing to flush in memory; libpng calls it anyway.
static void flushNothing(png_structp) {}

// The full API is the only way to choose libpng's zlib level, filters and
// strategy. Its errors arrive by longjmp, so nothing with a destructor lives
// in this function: the row pointers come ready-made with the picture.
static bool encodeFull(const Picture& picture, const Candidate& candidate, Output& output)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &output, appendToOutput, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, BITS_PER_CHANNEL, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // The simplified API writes this chunk too; with it the files say the
    // same and differ only in their compressed data.
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, candidate.filters);
    png_set_compression_level(png, candidate.level);
    png_set_compression_strategy(png, candidate.strategy);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(picture.rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

#if HAVE_SPNG
static int appendToOutputSpng(spng_ctx*, void* user, void* data, size_t length)
{
    Output* output = static_cast<Output*>(user);
    if (length > output->bytes.size() - output->used)
        return SPNG_IO_ERROR;
    std::memcpy(output->bytes.data() + output->used, data, length);
    output->used += length;
    return 0;
}

static bool encodeSpng(const Picture& picture, const Candidate& candidate, Output& output)
{
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    if (context == nullptr)
        return false;
    spng_ihdr header{};
    header.width = picture.width;
    header.height = picture.height;
    header.bit_depth = BITS_PER_CHANNEL;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    int error = spng_set_png_stream(context, appendToOutputSpng, &output);
    if (error == 0)
        error = spng_set_ihdr(context, &header);
    // The same sRGB chunk as the other candidates write.
    if (error == 0)
        error = spng_set_srgb(context, PNG_sRGB_INTENT_PERCEPTUAL);
    if (error == 0)
        error = spng_set_option(context, SPNG_IMG_COMPRESSION_LEVEL, candidate.level);
    if (error == 0)
        error = spng_set_option(context, SPNG_FILTER_CHOICE, candidate.filters);
    if (error == 0)
        error = spng_set_option(context, SPNG_IMG_COMPRESSION_STRATEGY, candidate.strategy);
    if (error == 0)
        error = spng_encode_image(context, picture.rgb.data(), picture.rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    if (error != 0)
        std::fprintf(stderr, "%s: libspng: %s\n", picture.name.c_str(), spng_strerror(error));
    spng_ctx_free(context);
    return error == 0;
}
#endif

static bool encode(const Picture& picture, const Candidate& candidate, Output& output)
{
    output.used = 0;
    switch (candidate.library) {
    case Library::SIMPLIFIED: return encodeSimplified(picture, candidate, output);
    case Library::FULL: return encodeFull(picture, candidate, output);
    case Library::SPNG:
#if HAVE_SPNG
        return encodeSpng(picture, candidate, output);
#else
        return false;
#endif
    }
    return false;
}

// Read back with libpng, so that a candidate that writes the wrong picture,
// or a file that libpng cannot read, is not reported as fast.
static bool decodesToSame(const Picture& picture, const Output& output)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, output.bytes.data(), output.used) == 0)
        return false;
    image.format = PNG_FORMAT_RGB;
    if (image.width != picture.width || image.height != picture.height) {
        png_image_free(&image);
        return false;
    }
    std::vector<png_byte> decoded(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr) == 0)
        return false;
    return decoded == picture.rgb;
}

struct Named {
    const char* name;
    int value;
};

// PNG_FAST_FILTERS is libpng's own name for NONE|SUB|UP: the per-row choice
// without the two dearest filters.
static constexpr Named LIBPNG_FILTERS[] = {
    {"NONE", PNG_FILTER_NONE},   {"SUB", PNG_FILTER_SUB},           {"UP", PNG_FILTER_UP},
    {"PAETH", PNG_FILTER_PAETH}, {"NONE+SUB+UP", PNG_FAST_FILTERS}, {"ALL", PNG_ALL_FILTERS},
};

static constexpr Named DEFAULT_STRATEGY = {"default", Z_DEFAULT_STRATEGY};
static constexpr Named FILTERED_STRATEGY = {"FILTERED", Z_FILTERED};
static constexpr Named RLE_STRATEGY = {"RLE", Z_RLE};
static constexpr int FULL_LEVELS[] = {1, 2, 3, 6};
// zlib's Z_RLE ignores the level (every level above 0 takes the same
// run-length path), so two levels are enough to show it.
static constexpr int RLE_LEVELS[] = {1, 3};
// Z_FILTERED only changes zlib's lazy matching, which levels 4 to 9 use;
// level 1 is there to show that it changes nothing below.
static constexpr int FILTERED_LEVELS[] = {1, 6};

static Candidate fullCandidate(int level, const Named& filter, const Named& strategy)
{
    Candidate candidate;
    candidate.library = Library::FULL;
    candidate.libraryName = "libpng full";
    candidate.level = level;
    candidate.filterName = filter.name;
    candidate.filters = filter.value;
    candidate.strategyName = strategy.name;
    candidate.strategy = strategy.value;
    return candidate;
}

static std::vector<Candidate> allCandidates()
{
    std::vector<Candidate> candidates;
    // The first is the baseline the ratios are taken against. libpng's
    // simplified API, given no flags, writes with its own defaults: level 6,
    // the per-row choice among all five filters, Z_FILTERED. With
    // PNG_IMAGE_FLAG_FAST it writes level 3 with no filter.
    Candidate simplified;
    simplified.library = Library::SIMPLIFIED;
    simplified.libraryName = "libpng simplified (now)";
    simplified.filterName = "ALL";
    simplified.strategyName = "FILTERED";
    candidates.push_back(simplified);
    simplified.libraryName = "libpng simplified FAST";
    simplified.simplifiedFlags = PNG_IMAGE_FLAG_FAST;
    simplified.level = 3;
    simplified.filterName = "NONE";
    simplified.strategyName = "default";
    candidates.push_back(simplified);

    for (int level : FULL_LEVELS) {
        for (const Named& filter : LIBPNG_FILTERS)
            candidates.push_back(fullCandidate(level, filter, DEFAULT_STRATEGY));
    }
    for (int level : RLE_LEVELS) {
        for (const Named& filter : LIBPNG_FILTERS)
            candidates.push_back(fullCandidate(level, filter, RLE_STRATEGY));
    }
    for (int level : FILTERED_LEVELS) {
        for (const Named& filter : LIBPNG_FILTERS)
            candidates.push_back(fullCandidate(level, filter, FILTERED_STRATEGY));
    }

#if HAVE_SPNG
    // libspng's own defaults first (level 6, every filter, Z_FILTERED), then
    // the fast settings that matter for libpng, to see whether the library
    // around zlib makes a difference.
    struct SpngSetting {
        int level;
        Named filter;
        Named strategy;
    };
    static constexpr SpngSetting SPNG_SETTINGS[] = {
        {6, {"ALL", SPNG_FILTER_CHOICE_ALL}, FILTERED_STRATEGY},
        {1, {"SUB", SPNG_FILTER_CHOICE_SUB}, DEFAULT_STRATEGY},
        {1, {"UP", SPNG_FILTER_CHOICE_UP}, DEFAULT_STRATEGY},
        {1, {"PAETH", SPNG_FILTER_CHOICE_PAETH}, DEFAULT_STRATEGY},
        {1, {"NONE", SPNG_FILTER_CHOICE_NONE}, RLE_STRATEGY},
        {1, {"SUB", SPNG_FILTER_CHOICE_SUB}, RLE_STRATEGY},
        {1, {"UP", SPNG_FILTER_CHOICE_UP}, RLE_STRATEGY},
        {3, {"UP", SPNG_FILTER_CHOICE_UP}, DEFAULT_STRATEGY},
    };
    for (const SpngSetting& setting : SPNG_SETTINGS) {
        Candidate candidate;
        candidate.library = Library::SPNG;
        candidate.libraryName = "libspng";
        candidate.level = setting.level;
        candidate.filterName = setting.filter.name;
        candidate.filters = setting.filter.value;
        candidate.strategyName = setting.strategy.name;
        candidate.strategy = setting.strategy.value;
        candidates.push_back(candidate);
    }
#endif
    return candidates;
}

// The whole corpus once with one candidate: the time is the corpus's, as
// the gallery pays it for one run.
static void measureOnce(const std::vector<Picture>& pictures, const Candidate& candidate, Output& output,
                        Measurement& measurement)
{
    std::size_t bytes = 0;
    const double cpuStart = milliseconds(CLOCK_PROCESS_CPUTIME_ID);
    const double wallStart = milliseconds(CLOCK_MONOTONIC);
    for (const Picture& picture : pictures) {
        if (!encode(picture, candidate, output))
            measurement.failed = true;
        bytes += output.used;
    }
    const double cpuEnd = milliseconds(CLOCK_PROCESS_CPUTIME_ID);
    const double wallEnd = milliseconds(CLOCK_MONOTONIC);
    measurement.cpuMilliseconds.push_back(cpuEnd - cpuStart);
    measurement.wallMilliseconds.push_back(wallEnd - wallStart);
    // Encoding is deterministic; a count that moves means something is wrong.
    if (measurement.cpuMilliseconds.size() > 1 && bytes != measurement.bytes)
        measurement.bytesVaried = true;
    measurement.bytes = bytes;
}

static void verifyOnce(const std::vector<Picture>& pictures, const Candidate& candidate, Output& output,
                       Measurement& measurement)
{
    measurement.verified = true;
    for (const Picture& picture : pictures) {
        if (!encode(picture, candidate, output) || !decodesToSame(picture, output)) {
            std::fprintf(stderr, "%s: %s level %d %s %s does not decode to the same picture\n", picture.name.c_str(),
                         candidate.libraryName.c_str(), candidate.level, candidate.filterName.c_str(),
                         candidate.strategyName.c_str());
            measurement.verified = false;
        }
    }
}

static void printTable(const std::vector<Picture>& pictures, const std::vector<Candidate>& candidates,
                       const std::vector<Measurement>& measurements, int repetitions)
{
    std::size_t rawBytes = 0;
    for (const Picture& picture : pictures)
        rawBytes += picture.rgb.size();
    std::printf("%zu pictures of %ux%u, %zu bytes of RGB in all; median of %d repetitions; "
                "libpng %s, zlib %s",
                pictures.size(), pictures.front().width, pictures.front().height, rawBytes, repetitions,
                png_get_libpng_ver(nullptr), zlibVersion());
#if HAVE_SPNG
    std::printf(", libspng %s", spng_version_string());
#endif
    std::printf(".\n\n");
    std::printf("| library | level | filters | strategy | CPU ms | wall ms | CPU ms min–max "
                "| bytes | CPU ÷ now | bytes ÷ now |\n");
    std::printf("|---|---:|---|---|---:|---:|---:|---:|---:|---:|\n");
    const double baselineCpu = median(measurements.front().cpuMilliseconds);
    const double baselineBytes = static_cast<double>(measurements.front().bytes);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& candidate = candidates[i];
        const Measurement& measurement = measurements[i];
        const double cpu = median(measurement.cpuMilliseconds);
        const auto spread = std::minmax_element(measurement.cpuMilliseconds.begin(), measurement.cpuMilliseconds.end());
        std::string note;
        if (measurement.failed)
            note += " (FAILED)";
        if (measurement.bytesVaried)
            note += " (bytes varied)";
        std::printf("| %s%s | %d | %s | %s | %.1f | %.1f | %.1f–%.1f | %zu | %.3f | %.2f |\n",
                    candidate.libraryName.c_str(), note.c_str(), candidate.level, candidate.filterName.c_str(),
                    candidate.strategyName.c_str(), cpu, median(measurement.wallMilliseconds), *spread.first,
                    *spread.second, measurement.bytes, cpu / baselineCpu,
                    static_cast<double>(measurement.bytes) / baselineBytes);
    }
}

static void printUsage()
{
    std::fprintf(stderr,
                 "usage: compression [--repetitions N] [--verify] [--only TEXT]... PNG...\n"
                 "  --repetitions N  passes over the corpus per candidate (default %d)\n"
                 "  --verify         first decode every candidate's output and compare\n"
                 "  --only TEXT      only candidates whose row contains TEXT (repeatable),\n"
                 "                   and the baseline; a row reads e.g. \"libpng full 1 UP RLE\"\n",
                 DEFAULT_REPETITIONS);
}

int main(int argc, char** argv)
{
    int repetitions = DEFAULT_REPETITIONS;
    bool verify = false;
    std::vector<std::string> only;
    std::vector<Picture> pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--repetitions" && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else if (argument == "--verify") {
            verify = true;
        } else if (argument == "--only" && i + 1 < argc) {
            only.push_back(argv[++i]);
        } else if (argument.rfind("--", 0) == 0) {
            printUsage();
            return 2;
        } else {
            pictures.emplace_back();
            if (!loadPicture(argv[i], pictures.back()))
                return 1;
        }
    }
    if (pictures.empty() || repetitions < 1) {
        printUsage();
        return 2;
    }

    std::vector<Candidate> candidates;
    for (const Candidate& candidate : allCandidates()) {
        const std::string row = candidate.libraryName + " " + std::to_string(candidate.level) + " " +
                                candidate.filterName + " " + candidate.strategyName;
        bool wanted = candidates.empty() || only.empty();
        for (const std::string& text : only)
            wanted = wanted || row.find(text) != std::string::npos;
        if (wanted)
            candidates.push_back(candidate);
    }

    Output output;
    std::size_t largest = 0;
    for (const Picture& picture : pictures) {
        png_image image{};
        image.width = picture.width;
        image.height = picture.height;
        image.format = PNG_FORMAT_RGB;
        largest = std::max<std::size_t>(largest, PNG_IMAGE_PNG_SIZE_MAX(image));
    }
    output.bytes.resize(largest);

    std::vector<Measurement> measurements(candidates.size());
    if (verify) {
        for (std::size_t i = 0; i < candidates.size(); ++i)
            verifyOnce(pictures, candidates[i], output, measurements[i]);
    }
    // Every candidate once per round, rounds repeated: a burst of load from
    // the other users of the machine then falls on many candidates, one
    // repetition each, instead of on all repetitions of one.
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        std::fprintf(stderr, "round %d of %d\n", repetition + 1, repetitions);
        for (std::size_t i = 0; i < candidates.size(); ++i)
            measureOnce(pictures, candidates[i], output, measurements[i]);
    }

    printTable(pictures, candidates, measurements, repetitions);
    bool allVerified = true;
    for (const Measurement& measurement : measurements)
        allVerified = allVerified && (!verify || measurement.verified) && !measurement.failed;
    if (verify)
        std::printf("\nEvery output decoded back to its picture: %s.\n", allVerified ? "yes" : "NO");
    return allVerified ? 0 : 1;
}
