#include "floor.h"

#include "app/app.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using Frame = void (*)(const Shape& shape, GLint count);

static void viewerFrame(const Shape& shape, GLint count)
{
    selectedShape = shape.id;
    slices = stacks = count;
    onDisplay();
}

static void floorAtCount(const Shape& shape, GLint count)
{
    floorFrame(shape, count, count);
}

// glFinish waits for llvmpipe's rasteriser threads, whose CPU time the
// process-wide clock then counts with the calling thread's.
static void frameCost(benchmark::State& state, Frame frame, const Shape* shape)
{
    const auto count = static_cast<GLint>(state.range(0));
    state.SetLabel(shape->label);
    for (auto _ : state) {
        frame(*shape, count);
        glFinish();
    }
}

// Heap in use counts every arena and the large blocks that malloc maps on its
// own; resident size would also count shared pages and Mesa's warm-up.
// The frames before the count take one-off allocations, such as the attribute
// stack's, out of the growth.
static void memoryGrowth(benchmark::State& state, Frame frame, const Shape* shape)
{
    static constexpr int WARM_UP_FRAMES = 100;
    static constexpr GLint COUNT = 10;
    static constexpr double KIB_PER_MIB = 1024.0;
    const auto heapBytes = [] {
        const auto info = mallinfo2();
        return static_cast<double>(info.uordblks + info.hblkhd);
    };
    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        frame(*shape, COUNT);
    const double before = heapBytes();
    for (auto _ : state)
        frame(*shape, COUNT);
    glFinish();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["heap_growth_B_per_frame"] = (heapBytes() - before) / static_cast<double>(state.iterations());
    state.counters["peak_RSS_MiB"] = static_cast<double>(usage.ru_maxrss) / KIB_PER_MIB;
}

static bool shown = false;

// The control is the floor measured again under another name: how far its
// ratio to the floor strays from 1 is how far noise alone moves a ratio.
static void registerBenchmarks()
{
    static constexpr int MEMORY_FRAMES = 10000;
    const std::pair<std::string, Frame> sides[] = {
        {"viewer", viewerFrame}, {"floor", floorAtCount}, {"control", floorAtCount}};
    for (const Shape& shape : SHAPES) {
        for (const auto& [side, frame] : sides) {
            const std::string name = std::to_string(shape.id) + "/" + side;
            // clang-format off
            benchmark::RegisterBenchmark(("frame/" + name).c_str(), frameCost, frame, &shape)
                ->Arg(10)->Arg(100)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond)
                ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
            if ((shape.id == 10 || shape.id == 11) && side != "control")
                benchmark::RegisterBenchmark(("memory/" + name).c_str(), memoryGrowth, frame, &shape)
                    ->Iterations(MEMORY_FRAMES)->Repetitions(1);
            // clang-format on
        }
    }
}

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    benchmark::Initialize(&argc, argv);
    openViewerWindow();
    initRendering();
    // Both sides draw into the viewer's window once it is on screen, with the
    // projection its reshape callback loads.
    glutReshapeFunc(onReshape);
    glutDisplayFunc([] { shown = true; });
    while (!shown)
        glutMainLoopEvent();
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
