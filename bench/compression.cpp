// The compressors worth checking again for the gallery's PNG files, on its own
// pictures: zlib at level 1 with its run-length strategy, which the gallery
// uses, against libdeflate at levels 1 to 4, on the rows as filter UP leaves
// them. The rows are filtered before the clock starts; the time is that of
// compressing every picture named into a zlib stream of its own, and the
// counter `bytes` what they come to. README.md here has the figures and how
// they were measured.
//
//   build-bench/bench/varenthe-compression-bench [benchmark flags] pictures/[0-9]*.png

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

static constexpr unsigned char FILTER_UP = 2;
// zlib's and libpng's default.
static constexpr int ZLIB_MEMORY_LEVEL = 8;
static constexpr int HIGHEST_LEVEL = 4;

// The pictures as a PNG's compressed data holds them: each row behind its
// filter type, UP but for the first, which has no row above it.
static std::vector<Bytes> filtered;

static bool load(const char* path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0)
        return false;
    image.format = PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0)
        return false;
    const std::size_t stride = PNG_IMAGE_ROW_STRIDE(image);
    Bytes& rows = filtered.emplace_back();
    for (std::size_t at = 0; at < pixels.size(); ++at) {
        if (at % stride == 0)
            rows.push_back(at > 0 ? FILTER_UP : 0);
        rows.push_back(static_cast<unsigned char>(pixels[at] - (at >= stride ? pixels[at - stride] : 0)));
    }
    return true;
}

// Level 0 is zlib's run-length strategy, 1 and up libdeflate's levels; each
// picture gets a compressor of its own, as it would in the gallery.
static std::size_t compress(int level, const Bytes& rows, Bytes& out)
{
    if (level > 0) {
        libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
        out.resize(libdeflate_zlib_compress_bound(compressor, rows.size()));
        const std::size_t size = libdeflate_zlib_compress(compressor, rows.data(), rows.size(), out.data(), out.size());
        libdeflate_free_compressor(compressor);
        return size;
    }
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, MAX_WBITS, ZLIB_MEMORY_LEVEL, Z_RLE);
    out.resize(deflateBound(&stream, rows.size()));
    stream.next_in = const_cast<Bytef*>(rows.data());
    stream.avail_in = static_cast<uInt>(rows.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    return stream.total_out;
}

static void compressAll(benchmark::State& state, int level)
{
    Bytes out;
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const Bytes& rows : filtered)
            bytes += compress(level, rows, out);
    }
    // A compressor that gave up would look fast.
    uLongf size = filtered.back().size();
    Bytes back(size);
    if (uncompress(back.data(), &size, out.data(), out.size()) != Z_OK || back != filtered.back())
        state.SkipWithError("the last picture does not come back whole");
    state.counters["bytes"] = static_cast<double>(bytes);
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (!load(argv[i])) {
            std::fprintf(stderr, "varenthe-compression-bench: cannot read %s as a PNG file\n", argv[i]);
            return 1;
        }
    }
    for (int level = 0; level <= HIGHEST_LEVEL && argc > 1; ++level) {
        const std::string name = level == 0 ? "zlib-rle-1" : "libdeflate-" + std::to_string(level);
        benchmark::RegisterBenchmark(name.c_str(), compressAll, level)->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
